#include "tools/guide/annotate.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <random>

#include "tools/assetgen/canvas.h"

namespace {

using assetgen::Rgb;

// Orders of placement tried; beyond a few hundred the best layout hardly improves.
constexpr int kOrders = 400;

struct Vec {
    double x, y;
    Vec operator+(Vec o) const { return {x + o.x, y + o.y}; }
    Vec operator-(Vec o) const { return {x - o.x, y - o.y}; }
    Vec operator*(double k) const { return {x * k, y * k}; }
};
double Length(Vec v) {
    return std::hypot(v.x, v.y);
}

// Sizes as fractions of the picture's height, so the labels read the same at any size.
struct Style {
    double title, detail, pad, gap, corner, line, head;
    explicit Style(int height)
        : title(height / 35.0),
          detail(height / 43.0),
          pad(height / 100.0),
          gap(height / 90.0),
          corner(height / 120.0),
          line(height / 300.0),
          head(height / 60.0) {}
};

// The two lines of a label, measured.
struct Label {
    const Subject* subject;
    double w = 0, h = 0;
};

struct Placement {
    Box box;
    Vec from, tip;  // the arrow: from the label's edge to just short of the subject
};

bool Overlap(const Box& a, const Box& b, double margin) {
    return a.x < b.x + b.w + margin && b.x < a.x + a.w + margin && a.y < b.y + b.h + margin &&
           b.y < a.y + a.h + margin;
}

double DistanceToBox(Vec p, const Box& b) {
    const double dx = std::max({b.x - p.x, 0.0, p.x - (b.x + b.w)});
    const double dy = std::max({b.y - p.y, 0.0, p.y - (b.y + b.h)});
    return std::hypot(dx, dy);
}

double DistanceToSegment(Vec p, Vec a, Vec b) {
    const Vec ab = b - a;
    const double t = std::clamp(
        ((p.x - a.x) * ab.x + (p.y - a.y) * ab.y) / std::max(1e-9, ab.x * ab.x + ab.y * ab.y), 0.0,
        1.0);
    return Length(p - (a + ab * t));
}

bool SegmentsCross(Vec a, Vec b, Vec c, Vec d) {
    auto side = [](Vec p, Vec q, Vec r) {
        return (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
    };
    return side(a, b, c) * side(a, b, d) < 0 && side(c, d, a) * side(c, d, b) < 0;
}

bool SegmentMeetsBox(Vec a, Vec b, const Box& box) {
    // Sampled: arrows are short and boxes large, so a step of a few pixels cannot miss one.
    const int steps = static_cast<int>(Length(b - a) / 3) + 1;
    for (int i = 0; i <= steps; ++i) {
        const Vec p = a + (b - a) * (static_cast<double>(i) / steps);
        if (p.x > box.x && p.x < box.x + box.w && p.y > box.y && p.y < box.y + box.h) return true;
    }
    return false;
}

// Counts of busy pixels in any rectangle, from a summed-area table.
class Coverage {
public:
    explicit Coverage(const Backdrop& b)
        : w_(b.width + 1), sums_(static_cast<size_t>(b.width + 1) * (b.height + 1)) {
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x)
                sums_[Index(x + 1, y + 1)] = b.busy[static_cast<size_t>(y) * b.width + x] +
                                             sums_[Index(x, y + 1)] + sums_[Index(x + 1, y)] -
                                             sums_[Index(x, y)];
    }
    // The busy share of a box that lies inside the picture.
    double Share(const Box& b) const {
        const int x0 = static_cast<int>(b.x), y0 = static_cast<int>(b.y);
        const int x1 = static_cast<int>(b.x + b.w), y1 = static_cast<int>(b.y + b.h);
        const double area = std::max(1, (x1 - x0) * (y1 - y0));
        return (sums_[Index(x1, y1)] - sums_[Index(x0, y1)] - sums_[Index(x1, y0)] +
                sums_[Index(x0, y0)]) /
               area;
    }

private:
    size_t Index(int x, int y) const { return static_cast<size_t>(y) * w_ + x; }
    int w_;
    std::vector<int> sums_;
};

class Layout {
public:
    Layout(const Backdrop& backdrop, const Coverage& coverage, const std::vector<Subject>& subjects,
           const Style& style)
        : width_(backdrop.width),
          height_(backdrop.height),
          subjects_(subjects),
          keepClear_(backdrop.keepClear),
          coverage_(coverage),
          style_(style) {}

    // The best free place for `label`, or false. Shorter arrows win; a label over the
    // level, or an arrow that crosses another, costs as much as a long arrow.
    bool Best(const Label& label, Placement* best, double* bestScore) const {
        const Subject& s = *label.subject;
        bool found = false;
        for (int a = 0; a < 24; ++a) {
            const double angle = a * M_PI / 12;
            const Vec u{std::cos(angle), std::sin(angle)};
            for (double reach = 2.5 * style_.title; reach < height_ / 2.0; reach += style_.title) {
                Placement p = Place(label, u, reach);
                double score = 0;
                if (!Free(p, s, &score)) continue;
                score += Length(p.tip - p.from) + coverage_.Share(p.box) * height_ / 3;
                if (!found || score < *bestScore) *best = p, *bestScore = score, found = true;
            }
        }
        return found;
    }

    void Take(const Placement& p) { taken_.push_back(p); }

private:
    // The label on the far side of a ray from the subject, its edge `reach` beyond it.
    Placement Place(const Label& label, Vec u, double reach) const {
        const Subject& s = *label.subject;
        const Vec at{s.x, s.y};
        const Vec edge = at + u * (s.radius + reach);
        const double hw = label.w / 2, hh = label.h / 2;
        const double t = std::min(std::fabs(u.x) > 1e-9 ? hw / std::fabs(u.x) : 1e9,
                                  std::fabs(u.y) > 1e-9 ? hh / std::fabs(u.y) : 1e9);
        const Vec centre = edge + u * t;
        return {{centre.x - hw, centre.y - hh, label.w, label.h}, edge, at + u * s.radius};
    }

    bool Free(const Placement& p, const Subject& own, double* penalty) const {
        const double margin = style_.gap;
        const Box& b = p.box;
        if (b.x < margin || b.y < margin || b.x + b.w > width_ - margin ||
            b.y + b.h > height_ - margin)
            return false;
        for (const Box& clear : keepClear_) {
            if (Overlap(b, clear, margin) || SegmentMeetsBox(p.from, p.tip, clear)) return false;
        }
        for (const Subject& s : subjects_) {
            const Vec at{s.x, s.y};
            if (DistanceToBox(at, b) < s.radius + margin) return false;
            if (&s != &own && DistanceToSegment(at, p.from, p.tip) < s.radius + margin)
                return false;
        }
        for (const Placement& other : taken_) {
            if (Overlap(b, other.box, margin)) return false;
            if (SegmentMeetsBox(p.from, p.tip, other.box) ||
                SegmentMeetsBox(other.from, other.tip, b))
                return false;
            if (SegmentsCross(p.from, p.tip, other.from, other.tip)) *penalty += height_ / 4.0;
        }
        return true;
    }

    int width_, height_;
    const std::vector<Subject>& subjects_;
    const std::vector<Box>& keepClear_;
    const Coverage& coverage_;
    const Style& style_;
    std::vector<Placement> taken_;
};

// 1..3 for a word that names a play colour ("Red", "green," ...), else 0.
int ColourOfWord(const std::string& word) {
    static const char* const kNames[] = {"red", "green", "blue"};
    for (int i = 0; i < 3; ++i) {
        const size_t n = std::strlen(kNames[i]);
        if (word.size() >= n && strncasecmp(word.c_str(), kNames[i], n) == 0 &&
            (word.size() == n || !std::isalpha(static_cast<unsigned char>(word[n]))))
            return i + 1;
    }
    return 0;
}

Rgb Accent(int colour) {
    if (colour >= 1 && colour <= 3)
        return assetgen::palette::PlayColour(colour - 1).Mixed({1, 1, 1}, 0.35);
    return assetgen::palette::kGold;
}

void DrawArrow(cairo_t* cr, const Placement& p, const Style& style) {
    const Vec d = p.tip - p.from;
    const Vec u = d * (1 / std::max(1e-9, Length(d)));
    const Vec n{-u.y, u.x};
    const Vec base = p.tip - u * style.head;
    auto path = [&] {
        cairo_new_path(cr);
        cairo_move_to(cr, p.from.x, p.from.y);
        cairo_line_to(cr, base.x, base.y);
    };
    auto head = [&] {
        cairo_new_path(cr);
        cairo_move_to(cr, p.tip.x, p.tip.y);
        const Vec l = base + n * (style.head * 0.5), r = base - n * (style.head * 0.5);
        cairo_line_to(cr, l.x, l.y);
        cairo_line_to(cr, r.x, r.y);
        cairo_close_path(cr);
    };
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    // A dark outline first, so the arrow reads over light floor and dark sky alike.
    cairo_set_source_rgba(cr, 0.05, 0.04, 0.12, 0.85);
    cairo_set_line_width(cr, style.line * 4.5);
    path();
    cairo_stroke(cr);
    head();
    cairo_stroke_preserve(cr);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_set_line_width(cr, style.line * 2);
    path();
    cairo_stroke(cr);
    head();
    cairo_fill(cr);
}

void DrawLabel(cairo_t* cr, const Label& label, const Box& b, const Style& style) {
    const Subject& s = *label.subject;
    const Rgb accent = Accent(s.colour);
    assetgen::RoundedRect(cr, b.x, b.y, b.w, b.h, style.corner);
    cairo_set_source_rgba(cr, 0.06, 0.05, 0.16, 0.86);
    cairo_fill_preserve(cr);
    assetgen::SetColour(cr, accent);
    cairo_set_line_width(cr, style.line * 1.5);
    cairo_stroke(cr);

    assetgen::UseFont(cr, assetgen::Face::kSansBold, style.title, true);
    cairo_font_extents_t title;
    cairo_font_extents(cr, &title);
    cairo_move_to(cr, b.x + style.pad, b.y + style.pad + title.ascent);
    // Word by word, the colour words in their colour, the rest in white.
    size_t start = 0;
    while (start < s.title.size()) {
        size_t end = s.title.find(' ', start);
        end = end == std::string::npos ? s.title.size() : end + 1;
        const std::string word = s.title.substr(start, end - start);
        const int colour = ColourOfWord(word);
        if (colour > 0) {
            assetgen::SetColour(cr, Accent(colour));
        } else {
            cairo_set_source_rgb(cr, 1, 1, 1);
        }
        cairo_show_text(cr, word.c_str());
        start = end;
    }
    assetgen::UseFont(cr, assetgen::Face::kSans, style.detail, true);
    cairo_font_extents_t detail;
    cairo_font_extents(cr, &detail);
    cairo_set_source_rgb(cr, 0.93, 0.93, 0.97);
    cairo_move_to(cr, b.x + style.pad,
                  b.y + style.pad + title.ascent + title.descent + detail.ascent);
    cairo_show_text(cr, s.detail.c_str());
}

Label Measure(cairo_t* cr, const Subject& s, const Style& style) {
    Label label{&s};
    cairo_text_extents_t e;
    cairo_font_extents_t f;
    assetgen::UseFont(cr, assetgen::Face::kSansBold, style.title, true);
    cairo_text_extents(cr, s.title.c_str(), &e);
    cairo_font_extents(cr, &f);
    double w = e.x_advance, h = f.ascent + f.descent;
    assetgen::UseFont(cr, assetgen::Face::kSans, style.detail, true);
    cairo_text_extents(cr, s.detail.c_str(), &e);
    cairo_font_extents(cr, &f);
    w = std::max(w, e.x_advance);
    h += f.ascent + f.descent;
    label.w = w + 2 * style.pad;
    label.h = h + 2 * style.pad;
    return label;
}

}  // namespace

bool Annotate(cairo_t* cr, const Backdrop& backdrop, const std::vector<Subject>& subjects,
              const std::string& fontDir) {
    assetgen::SetFontDirectory(fontDir);
    const Style style(backdrop.height);
    std::vector<Label> labels;
    for (const Subject& s : subjects) labels.push_back(Measure(cr, s, style));

    // Each label in turn takes its best free place, so the result depends on the order:
    // try many orders (shuffled from a fixed seed, so every run agrees) and keep the
    // layout with the lowest total.
    std::vector<size_t> order(labels.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    const Coverage coverage(backdrop);
    std::mt19937 random(17);
    std::vector<Placement> best;
    double bestTotal = 0;
    for (int attempt = 0; attempt < kOrders; ++attempt) {
        if (attempt > 0) std::shuffle(order.begin(), order.end(), random);
        Layout layout(backdrop, coverage, subjects, style);
        std::vector<Placement> places(labels.size());
        double total = 0;
        bool complete = true;
        for (size_t i : order) {
            double score = 0;
            if (!layout.Best(labels[i], &places[i], &score)) {
                complete = false;
                break;
            }
            layout.Take(places[i]);
            total += score;
        }
        if (complete && (best.empty() || total < bestTotal)) best = places, bestTotal = total;
    }
    if (best.empty()) return false;
    for (const Placement& p : best) DrawArrow(cr, p, style);
    for (size_t i = 0; i < labels.size(); ++i) DrawLabel(cr, labels[i], best[i].box, style);
    return true;
}
