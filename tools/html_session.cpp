#include "html_session.h"

#include "html_page.h"

#include <algorithm>
#include <cmath>

namespace olva::check::html {

namespace {

constexpr double kGutter = 190;     // lane and panel labels
constexpr double kPlotWidth = 1010;
constexpr double kWidth = kGutter + kPlotWidth + 20;
constexpr double kLaneHeight = 16;
constexpr double kLaneStep = 22;
constexpr double kPanelHeight = 84;
constexpr double kPanelGap = 16;
constexpr double kAxisHeight = 26;
constexpr const char* kTraceColours[] = {"#2563eb", "#dc2626", "#059669", "#d97706"};

std::string Attribute(const char* name, std::string_view value)
{
    return std::string(" ") + name + "=\"" + Escape(value) + "\"";
}

// Horizontal placement of frames.
struct FrameScale {
    int64_t first = 0;
    std::size_t count = 1;
    double step() const { return kPlotWidth / static_cast<double>(std::max<std::size_t>(count, 1)); }
    double x(std::size_t frame) const { return kGutter + static_cast<double>(frame) * step(); }
    double centre(std::size_t frame) const { return x(frame) + step() / 2; }
    std::string number(std::size_t frame) const { return std::to_string(first + static_cast<int64_t>(frame)); }
};

// Runs of equal, non-zero level: [begin, end) with the level.
struct Run {
    std::size_t begin;
    std::size_t end;
    uint8_t level;
};

std::vector<Run> Runs(const std::vector<uint8_t>& levels, std::size_t count)
{
    std::vector<Run> runs;
    for (std::size_t i = 0; i < count && i < levels.size();) {
        std::size_t j = i + 1;
        while (j < count && j < levels.size() && levels[j] == levels[i]) {
            ++j;
        }
        if (levels[i] != kLaneOff) {
            runs.push_back({i, j, levels[i]});
        }
        i = j;
    }
    return runs;
}

std::string LaneLabel(double y, const std::string& text)
{
    std::string shown = text;
    const std::size_t room = static_cast<std::size_t>((kGutter - 16) / (12 * kMonoAdvance));
    if (Columns(shown) > room) {
        shown = Wrap(shown, room - 1).front() + "\xE2\x80\xA6";  // an ellipsis
    }
    return "<text x=\"" + Number(kGutter - 10) + "\" y=\"" + Number(y + kLaneHeight - 4) +
           "\" class=\"lane-label\">" + Escape(shown) + "</text>";
}

std::string SpanRects(const std::vector<uint8_t>& levels, const FrameScale& scale, double y, const char* cls)
{
    std::string svg;
    for (const Run& run : Runs(levels, scale.count)) {
        const char* level = run.level == kLaneClicked ? "clicked" : "touched";
        svg += "<rect x=\"" + Number(scale.x(run.begin), 2) + "\" y=\"" + Number(y) + "\" width=\"" +
               Number(scale.x(run.end) - scale.x(run.begin), 2) + "\" height=\"" + Number(kLaneHeight) +
               "\" class=\"span " + cls + " " + level + "\" data-from=\"" + scale.number(run.begin) +
               "\" data-to=\"" + scale.number(run.end - 1) + "\" data-level=\"" + level + "\"><title>" + level +
               " frames " + scale.number(run.begin) + " to " + scale.number(run.end - 1) + "</title></rect>";
    }
    return svg;
}

std::string Lane(const SessionLane& lane, const FrameScale& scale, double y, const char* cls)
{
    std::string svg = "<g class=\"lane\"" + Attribute("data-lane", lane.id) + ">";
    svg += LaneLabel(y, lane.label);
    svg += "<rect x=\"" + Number(kGutter) + "\" y=\"" + Number(y) + "\" width=\"" + Number(kPlotWidth) +
           "\" height=\"" + Number(kLaneHeight) + "\" class=\"lane-bg\"/>";
    svg += SpanRects(lane.levels, scale, y, cls);
    return svg + "</g>";
}

// The points of a trace; long sessions keep each pixel column's lowest and
// highest value, so no spike is lost.
std::string TracePoints(const std::vector<float>& values, const FrameScale& scale, const SessionPanel& panel,
                        double top)
{
    const double range = panel.max > panel.min ? panel.max - panel.min : 1.0;
    const auto y = [&](double v) {
        if (!std::isfinite(v)) {
            v = 0;
        }
        v = std::clamp(v, static_cast<double>(panel.min), static_cast<double>(panel.max));
        return top + (panel.max - v) / range * kPanelHeight;
    };
    const std::size_t count = std::min(values.size(), scale.count);
    std::string points;
    const std::size_t columns = static_cast<std::size_t>(kPlotWidth);
    if (count <= 2 * columns) {
        for (std::size_t i = 0; i < count; ++i) {
            points += Number(scale.centre(i), 2) + "," + Number(y(values[i]), 2) + " ";
        }
        return points;
    }
    for (std::size_t c = 0; c < columns; ++c) {
        const std::size_t begin = c * count / columns;
        const std::size_t end = std::max(begin + 1, (c + 1) * count / columns);
        const auto [low, high] = std::minmax_element(values.begin() + static_cast<std::ptrdiff_t>(begin),
                                                     values.begin() + static_cast<std::ptrdiff_t>(end));
        const double x = kGutter + c + 0.5;
        points += Number(x, 1) + "," + Number(y(*high), 2) + " " + Number(x, 1) + "," + Number(y(*low), 2) + " ";
    }
    return points;
}

std::string Panel(const SessionPanel& panel, const FrameScale& scale, double top)
{
    std::string svg = "<g class=\"panel\"" + Attribute("data-panel", panel.id) + ">";
    svg += "<rect x=\"" + Number(kGutter) + "\" y=\"" + Number(top) + "\" width=\"" + Number(kPlotWidth) +
           "\" height=\"" + Number(kPanelHeight) + "\" class=\"panel-bg\"/>";
    // The zero line, when zero is inside the range, and the range's ends.
    if (panel.min < 0 && panel.max > 0) {
        const double zero = top + panel.max / (panel.max - panel.min) * kPanelHeight;
        svg += "<line x1=\"" + Number(kGutter) + "\" x2=\"" + Number(kGutter + kPlotWidth) + "\" y1=\"" +
               Number(zero) + "\" y2=\"" + Number(zero) + "\" class=\"zero\"/>";
        svg += "<text x=\"" + Number(kGutter - 4) + "\" y=\"" + Number(zero + 4) + "\" class=\"tick\">0</text>";
    }
    svg += "<text x=\"" + Number(kGutter - 4) + "\" y=\"" + Number(top + 9) + "\" class=\"tick\">" +
           Number(panel.max, 0) + "</text>";
    svg += "<text x=\"" + Number(kGutter - 4) + "\" y=\"" + Number(top + kPanelHeight) + "\" class=\"tick\">" +
           Number(panel.min, 0) + "</text>";
    svg += "<text x=\"8\" y=\"" + Number(top + 14) + "\" class=\"panel-label\">" + Escape(panel.label) + "</text>";
    for (std::size_t t = 0; t < panel.traces.size(); ++t) {
        const SessionTrace& trace = panel.traces[t];
        const char* colour = kTraceColours[t % (sizeof kTraceColours / sizeof *kTraceColours)];
        // Its legend entry under the panel's label.
        const double legendY = top + 32 + static_cast<double>(t) * 16;
        svg += "<line x1=\"10\" x2=\"30\" y1=\"" + Number(legendY - 4) + "\" y2=\"" + Number(legendY - 4) +
               "\" stroke=\"" + colour + "\" stroke-width=\"3\"/>";
        svg += "<text x=\"36\" y=\"" + Number(legendY) + "\" class=\"legend-label\">" + Escape(trace.label) + "</text>";
        svg += "<polyline" + Attribute("data-trace", trace.id) + " fill=\"none\" stroke=\"" + colour +
               "\" stroke-width=\"2\" stroke-linejoin=\"round\" points=\"" + TracePoints(trace.values, scale, panel, top) +
               "\"/>";
    }
    return svg + "</g>";
}

// Frame numbers under the plot, at a round step that leaves room to read
// them, with faint lines up through the section.
std::string Axis(const FrameScale& scale, double top, double bottom)
{
    int64_t step = 1;
    for (const int64_t candidate : {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000, 50000,
                                    100000, 200000, 500000, 1000000}) {
        step = candidate;
        if (static_cast<double>(scale.count) / static_cast<double>(candidate) <= 16) {
            break;
        }
    }
    std::string svg = "<g class=\"axis\">";
    svg += "<line x1=\"" + Number(kGutter) + "\" x2=\"" + Number(kGutter + kPlotWidth) + "\" y1=\"" + Number(bottom) +
           "\" y2=\"" + Number(bottom) + "\" class=\"axis-line\"/>";
    for (std::size_t i = 0; i < scale.count; ++i) {
        const int64_t frame = scale.first + static_cast<int64_t>(i);
        if (frame % step != 0) {
            continue;
        }
        const double x = scale.centre(i);
        svg += "<line x1=\"" + Number(x, 2) + "\" x2=\"" + Number(x, 2) + "\" y1=\"" + Number(top) + "\" y2=\"" +
               Number(bottom + 4) + "\" class=\"grid\"/>";
        svg += "<text x=\"" + Number(x, 2) + "\" y=\"" + Number(bottom + 17) + "\" class=\"frame-number\" data-frame=\"" +
               std::to_string(frame) + "\">" + std::to_string(frame) + "</text>";
    }
    svg += "<text x=\"" + Number(kGutter - 10) + "\" y=\"" + Number(bottom + 17) + "\" class=\"lane-label\">frame</text>";
    return svg + "</g>";
}

std::string SvgOpen(double height, const std::string& attributes)
{
    return "<svg width=\"" + Number(kWidth, 0) + "\" height=\"" +
           Number(height, 0) + "\" viewBox=\"0 0 " + Number(kWidth, 0) + " " + Number(height, 0) + "\"" + attributes +
           ">";
}

std::string HandSection(const SessionHand& hand, const FrameScale& scale)
{
    const char* side = hand.right ? "right" : "left";
    std::string html = "<section class=\"hand card\" data-hand=\"" + std::string(side) + "\"" +
                       Attribute("data-kind", hand.kind) + "><h2>" + (hand.right ? "Right hand" : "Left hand") +
                       " <span class=\"kind\">" + Escape(hand.kind) + "</span></h2>";
    if (!hand.note.empty()) {
        html += "<p class=\"note\">" + Escape(hand.note) + "</p>";
    }
    if (hand.lanes.empty() && hand.panels.empty()) {
        return html + "</section>\n";
    }
    const double top = 6;
    double y = top;
    std::string body;
    for (const SessionLane& lane : hand.lanes) {
        body += Lane(lane, scale, y, lane.id == "connected" ? "connected" : "button");
        y += kLaneStep;
    }
    for (const SessionPanel& panel : hand.panels) {
        y += kPanelGap / 2;
        body += Panel(panel, scale, y);
        y += kPanelHeight + kPanelGap / 2;
    }
    const double bottom = y + 4;
    html += SvgOpen(bottom + kAxisHeight, "") + Axis(scale, top, bottom) + body + "</svg>";
    return html + "</section>\n";
}

std::string Marks(const SessionAction& action, const FrameScale& scale, double y, int& presses, int& releases)
{
    std::string svg;
    const std::size_t count = std::min({scale.count, action.state.size(), action.changed.size()});
    for (std::size_t i = 0; i < count; ++i) {
        if (action.changed[i] == 0) {
            continue;
        }
        const bool press = action.state[i] != 0;
        (press ? presses : releases) += 1;
        const double x = scale.x(i);
        // A press points down onto the lane from above, a release up from below.
        const std::string d = press ? "M" + Number(x - 5, 2) + " " + Number(y - 8) + " L" + Number(x + 5, 2) + " " +
                                          Number(y - 8) + " L" + Number(x, 2) + " " + Number(y - 1) + " Z" :
                                      "M" + Number(x - 5, 2) + " " + Number(y + kLaneHeight + 8) + " L" +
                                          Number(x + 5, 2) + " " + Number(y + kLaneHeight + 8) + " L" + Number(x, 2) +
                                          " " + Number(y + kLaneHeight + 1) + " Z";
        svg += "<path d=\"" + d + "\" class=\"" + (press ? "press" : "release") + "\" data-frame=\"" +
               scale.number(i) + "\"><title>" + (press ? "pressed" : "released") + " at frame " + scale.number(i) +
               "</title></path>";
    }
    return svg;
}

std::string ActionsSection(const std::vector<SessionAction>& actions, const FrameScale& scale)
{
    std::string html = "<section class=\"actions card\"><h2>Actions</h2>";
    const double top = 12;
    double y = top;
    std::string body;
    for (const SessionAction& action : actions) {
        std::string group = "<g class=\"action\"" + Attribute("data-action", action.name) +
                            Attribute("data-type", action.type) + " data-kind=\"" +
                            (action.boolean ? "boolean" : "analog") + "\"";
        if (action.boolean) {
            int presses = 0;
            int releases = 0;
            y += 6;
            std::string lane = LaneLabel(y, action.name);
            lane += "<rect x=\"" + Number(kGutter) + "\" y=\"" + Number(y) + "\" width=\"" + Number(kPlotWidth) +
                    "\" height=\"" + Number(kLaneHeight) + "\" class=\"lane-bg\"/>";
            std::vector<uint8_t> on(action.state.size());
            std::transform(action.state.begin(), action.state.end(), on.begin(),
                           [](uint8_t s) { return s != 0 ? kLaneClicked : kLaneOff; });
            lane += SpanRects(on, scale, y, "action-on");
            lane += Marks(action, scale, y, presses, releases);
            if (!action.note.empty()) {
                lane += "<text x=\"" + Number(kGutter + 8) + "\" y=\"" + Number(y + kLaneHeight - 4) +
                        "\" class=\"lane-note\">" + Escape(action.note) + "</text>";
            }
            body += group + " data-presses=\"" + std::to_string(presses) + "\" data-releases=\"" +
                    std::to_string(releases) + "\">" + lane + "</g>";
            y += kLaneStep + 10;
        } else {
            y += kPanelGap / 2;
            SessionPanel panel = action.values;
            panel.label = action.name;
            std::string inner = Panel(panel, scale, y);
            if (!action.note.empty()) {
                inner += "<text x=\"" + Number(kGutter + 8) + "\" y=\"" + Number(y + 16) + "\" class=\"lane-note\">" +
                         Escape(action.note) + "</text>";
            }
            body += group + ">" + inner + "</g>";
            y += kPanelHeight + kPanelGap / 2;
        }
    }
    const double bottom = y + 4;
    html += SvgOpen(bottom + kAxisHeight, "") + Axis(scale, top, bottom) + body + "</svg>";
    return html + "</section>\n";
}

constexpr const char* kStyle = R"(
h2 .kind { font-weight: normal; color: #5a6273; font-size: 15px; }
.note { color: #5a6273; margin: 0 0 6px; }
.legend { display: flex; flex-wrap: wrap; gap: 6px 22px; align-items: center; font-size: 13px; }
.legend svg { vertical-align: middle; margin-right: 6px; }
svg text { font-size: 12px; fill: #1f2937; }
svg .lane-label { text-anchor: end; }
svg .panel-label { font-weight: bold; }
svg .legend-label { fill: #374151; }
svg .tick { text-anchor: end; fill: #6b7280; font-size: 10px; }
svg .frame-number { text-anchor: middle; fill: #4b5563; font-size: 11px; }
svg .lane-note { fill: #b45309; }
svg .lane-bg { fill: #f3f4f6; }
svg .panel-bg { fill: #fafbfc; stroke: #e5e7eb; }
svg .zero { stroke: #9ca3af; stroke-dasharray: 3 3; }
svg .grid { stroke: #e5e7eb; }
svg .axis-line { stroke: #6b7280; }
svg .span.button.touched { fill: #bfdbfe; }
svg .span.button.clicked { fill: #2563eb; }
svg .span.connected { fill: #86efac; }
svg .span.action-on { fill: #8b5cf6; }
svg .press { fill: #16a34a; }
svg .release { fill: #dc2626; }
)";

std::string Legend()
{
    const auto box = [](const char* fill) {
        return std::string("<svg width=\"22\" height=\"14\"><rect width=\"22\" height=\"14\" fill=\"") + fill +
               "\"/></svg>";
    };
    const auto mark = [](const char* fill, bool down) {
        return std::string("<svg width=\"14\" height=\"14\"><path d=\"") +
               (down ? "M2 3 L12 3 L7 11 Z" : "M2 11 L12 11 L7 3 Z") + "\" fill=\"" + fill + "\"/></svg>";
    };
    return "<div class=\"legend card\"><span>" + box("#bfdbfe") + "touched</span><span>" + box("#2563eb") +
           "clicked</span><span>" + box("#86efac") + "connected</span><span>" + box("#8b5cf6") +
           "boolean action on</span><span>" + mark("#16a34a", true) + "press</span><span>" + mark("#dc2626", false) +
           "release</span><span>Traces: one colour per value, named beside each panel.</span></div>\n";
}

}  // namespace

std::string RenderSessionPage(const SessionPage& page)
{
    const FrameScale scale{page.firstFrame, std::max<std::size_t>(page.frameCount, 1)};
    std::string body = "<header><h1>" + Escape(page.title) + "</h1><dl class=\"facts\">";
    for (const auto& [name, value] : page.facts) {
        body += "<dt>" + Escape(name) + "</dt><dd>" + Escape(value) + "</dd>";
    }
    body += "<dt>frames</dt><dd data-frames=\"" + std::to_string(page.frameCount) + "\">" +
            std::to_string(page.frameCount) +
            (page.frameCount == 0 ? "" : " (" + scale.number(0) + " to " + scale.number(page.frameCount - 1) + ")") +
            "</dd></dl></header>\n";
    body += Legend();
    for (const SessionHand& hand : page.hands) {
        body += HandSection(hand, scale);
    }
    if (!page.actions.empty()) {
        body += ActionsSection(page.actions, scale);
    }
    return Document(page.title, kStyle, body);
}

}  // namespace olva::check::html
