#include "runtime/data.h"

String qo_data_FixDataPath(String path) {
    // A scheme such as "kavoro:" or a drive such as "C:" puts ":/" before any other '/'.
    int colon = path.Find(String(":/"));
    if (colon >= 0 && path.Find(String("/")) == colon + 1) return path;
    if (path.StartsWith(String("./")) || path.StartsWith(String("/"))) return path;
    return String("kavoro://data/") + path;
}

namespace {
std::vector<std::string> g_required;
}

void qo_data_Require(const std::string& name) {
    g_required.push_back(name);
}

const std::vector<std::string>& qo_data_Required() {
    return g_required;
}
