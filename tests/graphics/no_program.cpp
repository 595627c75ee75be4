// The host library's entry calls the translated program; these test programs have none.
#include "runtime/host/app.h"

void qoInit() {}
void qoMain() {}
