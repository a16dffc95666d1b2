#include "html_bindings.h"

#include "html_controller.h"
#include "html_page.h"

#include <algorithm>
#include <array>

namespace olva::check::html {

namespace {

// Panel geometry: the labels sit outside, the controllers face each other.
constexpr double kPanelWidth = 650;
constexpr double kLabelWidth = 340;
constexpr double kScale = 1.25;  // of the controller drawing
constexpr double kScaledWidth = kDrawingWidth * kScale;
constexpr double kScaledHeight = kDrawingHeight * kScale;
constexpr double kDrawingTop = 62;
constexpr double kLineHeight = 15;
constexpr double kTitleHeight = 17;
constexpr double kBlockPadding = 5;
constexpr double kBlockGap = 4;
constexpr double kFontSize = 12;
const std::size_t kLabelColumns = static_cast<std::size_t>((kLabelWidth - 18) / (kFontSize * kMonoAdvance));

std::string Attribute(const char* name, std::string_view value)
{
    return std::string(" ") + name + "=\"" + Escape(value) + "\"";
}

std::string FindingAttributes(const PageFinding& finding)
{
    return Attribute("data-severity", finding.severity) + Attribute("data-code", finding.code) +
           Attribute("data-file", finding.file) + Attribute("data-location", finding.location);
}

std::string FindingPlace(const PageFinding& finding)
{
    return finding.location.empty() ? finding.file : finding.file + " at " + finding.location;
}

// The text lines of a label block, before placement: each line is a
// (class, text) pair, grouped by what they describe.
struct TextLine {
    std::string cls;
    std::string text;
    double height = kLineHeight;
};
struct TextGroup {
    std::string open;  // "<g ...>" or empty
    std::string tooltip;
    std::vector<TextLine> lines;
};

// The label of one input: its title, the bindings on it and their findings,
// placed down the label column.
struct LabelBlock {
    Element element = Element::Other;
    ElementPlace anchor;
    bool bound = false;
    bool flagged = false;
    std::vector<TextGroup> text;
    double top = 0;

    double Height() const
    {
        double height = 2 * kBlockPadding;
        for (const TextGroup& group : text) {
            for (const TextLine& line : group.lines) {
                height += line.height;
            }
        }
        return height;
    }
};

// Lines of at most the label's width at the class's font size (the
// locations are set smaller, so more of them fits on a line).
void AddWrapped(TextGroup& group, const std::string& cls, const std::string& text, std::size_t indent = 0)
{
    const double fontSize = cls == "f-loc" ? 11 : kFontSize;
    const auto columns = static_cast<std::size_t>((kLabelWidth - 18) / (fontSize * kMonoAdvance));
    const std::string pad(indent, ' ');
    for (const std::string& line : Wrap(text, columns - indent)) {
        group.lines.push_back({cls, pad + line});
    }
}

TextGroup FindingGroup(const PageFinding& finding)
{
    TextGroup group;
    group.open = "<g class=\"finding\"" + FindingAttributes(finding) + ">";
    AddWrapped(group, finding.severity == "error" ? "f-error" : "f-warning",
               (finding.severity == "error" ? "\xE2\x9C\x96 " : "\xE2\x9A\xA0 ") + finding.severity + " " + finding.code, 2);
    AddWrapped(group, "f-text", finding.message, 4);
    AddWrapped(group, "f-loc", FindingPlace(finding), 4);
    return group;
}

std::vector<TextGroup> BlockText(Element element, bool right, const std::vector<const PageBinding*>& bindings)
{
    std::vector<TextGroup> groups;
    TextGroup title;
    const std::string name = ElementTitle(element, right);
    const std::string paths = ElementPaths(element, right);
    std::string titleText = paths.empty() ? name : name + "  " + paths;
    if (bindings.empty()) {
        titleText = name + "  free";
    }
    for (const std::string& line : Wrap(titleText, kLabelColumns)) {
        title.lines.push_back({bindings.empty() ? "t-free" : "t", line, kTitleHeight});
    }
    groups.push_back(std::move(title));
    for (const PageBinding* binding : bindings) {
        TextGroup group;
        group.open = "<g class=\"binding " + Escape(binding->effect) + "\"" + Attribute("data-action", binding->action) +
                     Attribute("data-input", binding->path) + Attribute("data-how", binding->how) +
                     Attribute("data-effect", binding->effect) + Attribute("data-type", binding->actionType) +
                     Attribute("data-action-set", binding->actionSet) + Attribute("data-location", binding->location) +
                     ">";
        group.tooltip = binding->description + "\nmode \"" + binding->mode + "\" in " + binding->actionSet + "\n" +
                        binding->location;
        std::string text = "\xE2\x97\x8F " + binding->action + "  " + binding->how;
        if (element == Element::Other) {
            text += "  on " + binding->component;
        }
        if (binding->effect == "none") {
            text += "  (never reports)";
        }
        AddWrapped(group, "b-" + binding->effect, text);
        groups.push_back(std::move(group));
        for (const PageFinding& finding : binding->findings) {
            groups.push_back(FindingGroup(finding));
        }
    }
    return groups;
}

// Lays the blocks out down the label column in the order of their anchors,
// each as near its anchor as the blocks above it allow.
void PlaceBlocks(std::vector<LabelBlock>& blocks)
{
    std::stable_sort(blocks.begin(), blocks.end(), [](const LabelBlock& a, const LabelBlock& b) {
        return a.anchor.y < b.anchor.y;
    });
    double bottom = kDrawingTop - 26;
    for (LabelBlock& block : blocks) {
        block.top = std::max(kDrawingTop + block.anchor.y - kBlockPadding - kTitleHeight / 2 - 4, bottom + kBlockGap);
        bottom = block.top + block.Height();
    }
}

const char* KindWords(ControllerKind kind) { return kind == ControllerKind::Touch ? "touch controller" : "joystick controller"; }

std::string HandPanel(const PageHand& hand)
{
    const bool right = hand.right;
    const char* side = right ? "right" : "left";
    std::array<std::vector<const PageBinding*>, kElementCount> byElement;
    for (const PageBinding& binding : hand.bindings) {
        byElement[static_cast<int>(ElementFor(binding.component, binding.how, right))].push_back(&binding);
    }

    std::vector<LabelBlock> blocks;
    bool bound[kElementCount] = {};
    bool flagged[kElementCount] = {};
    for (int i = 0; i < kElementCount; ++i) {
        const auto element = static_cast<Element>(i);
        if (element == Element::Other && byElement[i].empty()) {
            continue;  // a place only for what the drawing lacks
        }
        bound[i] = !byElement[i].empty();
        flagged[i] = std::any_of(byElement[i].begin(), byElement[i].end(),
                                 [](const PageBinding* b) { return !b->findings.empty(); });
        LabelBlock block;
        block.element = element;
        const ElementPlace place = PlaceOf(element, hand.kind, right);
        block.anchor = {place.x * kScale, place.y * kScale};
        block.bound = bound[i];
        block.flagged = flagged[i];
        block.text = BlockText(element, right, byElement[i]);
        blocks.push_back(std::move(block));
    }
    PlaceBlocks(blocks);

    const double drawingX = right ? 6 : kPanelWidth - 6 - kScaledWidth;
    const double labelX = right ? kPanelWidth - kLabelWidth : 0;
    double height = kDrawingTop + kScaledHeight + 12;
    for (const LabelBlock& block : blocks) {
        height = std::max(height, block.top + block.Height() + 8);
    }

    std::string svg = "<svg class=\"hand\" width=\"" + Number(kPanelWidth, 0) +
                      "\" height=\"" + Number(height, 0) + "\" viewBox=\"0 0 " + Number(kPanelWidth, 0) + " " +
                      Number(height, 0) + "\" data-hand=\"" + side + "\" data-kind=\"" +
                      (hand.kind == ControllerKind::Touch ? "touch" : "joystick") + "\" data-connected=\"" +
                      (hand.connected ? "true" : "false") + "\">";
    const double titleX = right ? 10 : kPanelWidth - 10;
    const char* anchor = right ? "start" : "end";
    svg += "<text x=\"" + Number(titleX) + "\" y=\"20\" class=\"hand-title\" text-anchor=\"" + anchor + "\">" +
           (right ? "Right hand \xC2\xB7 " : "Left hand \xC2\xB7 ") + KindWords(hand.kind) + "</text>";
    const std::string note = hand.connected ? "in this setup" : hand.kindNote;
    svg += "<text x=\"" + Number(titleX) + "\" y=\"38\" class=\"hand-note\" text-anchor=\"" + anchor + "\">" +
           Escape(note) + "</text>";

    // Leader lines first, so the labels and the drawing sit on top of them.
    for (const LabelBlock& block : blocks) {
        const double fromX = drawingX + block.anchor.x;
        const double fromY = kDrawingTop + block.anchor.y;
        const double toX = right ? labelX : labelX + kLabelWidth;
        const double toY = block.top + kBlockPadding + kTitleHeight / 2 + 2;
        svg += "<path d=\"M" + Number(fromX) + " " + Number(fromY) + " L" +
               Number(right ? std::max(fromX, drawingX + kScaledWidth + 8) : std::min(fromX, drawingX - 8)) + " " +
               Number(toY) + " L" + Number(toX) + " " + Number(toY) + "\" class=\"leader" +
               (block.flagged ? " flagged" : block.bound ? " bound" : "") + "\"/>";
    }
    svg += DrawController(hand.kind, right, drawingX, kDrawingTop, kScale, bound, flagged);

    for (const LabelBlock& block : blocks) {
        const std::string id = ElementId(block.element, right);
        svg += "<g class=\"input-label" + std::string(block.bound ? " bound" : " free") +
               (block.flagged ? " flagged" : "") + "\" data-element=\"" + id + "\" data-hand=\"" + side +
               "\" data-free=\"" + (block.bound ? "false" : "true") + "\">";
        svg += "<rect x=\"" + Number(labelX) + "\" y=\"" + Number(block.top) + "\" width=\"" + Number(kLabelWidth) +
               "\" height=\"" + Number(block.Height()) + "\" rx=\"6\" class=\"label-box\"/>";
        double y = block.top + kBlockPadding;
        for (const TextGroup& group : block.text) {
            if (!group.open.empty()) {
                svg += group.open;
            }
            if (!group.tooltip.empty()) {
                svg += "<title>" + Escape(group.tooltip) + "</title>";
            }
            for (const TextLine& line : group.lines) {
                y += line.height;
                svg += "<text x=\"" + Number(labelX + 9) + "\" y=\"" + Number(y - 4) + "\" class=\"" + line.cls +
                       "\" xml:space=\"preserve\">" + Escape(line.text) + "</text>";
            }
            if (!group.open.empty()) {
                svg += "</g>";
            }
        }
        svg += "</g>";
    }
    svg += "</svg>";
    return svg;
}

std::string FindingList(const std::vector<PageFinding>& findings)
{
    std::string html = "<ul class=\"findings\">";
    for (const PageFinding& finding : findings) {
        html += "<li class=\"finding " + Escape(finding.severity) + "\"" + FindingAttributes(finding) + "><span class=\"code\">" +
                Escape(finding.severity + " " + finding.code) + "</span> " + Escape(finding.message) +
                "<br><span class=\"loc\">" + Escape(FindingPlace(finding)) + "</span></li>";
    }
    return html + "</ul>";
}

std::string SetupSection(const PageSetup& setup)
{
    std::string html = "<section class=\"setup card\"" + Attribute("data-setup", setup.spec) +
                       Attribute("data-selected", setup.selected ? "true" : "false") +
                       Attribute("data-binding-file", setup.bindingFile) + ">";
    html += "<h2>" + Escape(setup.name);
    if (setup.spec != setup.name) {
        html += " <span class=\"spec\">" + Escape(setup.spec) + "</span>";
    }
    html += setup.selected ? " \xE2\x86\x92 <code>" + Escape(setup.bindingFile) + "</code>" :
                             std::string(" \xE2\x86\x92 no binding file");
    html += "</h2><dl class=\"facts\">";
    html += "<dt>controllers</dt><dd>" + Escape(setup.controllers) + "</dd>";
    if (setup.selected) {
        html += "<dt>selects</dt><dd><code>" + Escape(setup.entry) + "</code></dd>";
        html += "<dt>because</dt><dd>" + Escape(setup.reason) + "</dd>";
    } else {
        html += "<dt>selects</dt><dd>nothing: " + Escape(setup.reason) + "</dd>";
    }
    if (!setup.fileState.empty()) {
        html += "<dt>file</dt><dd class=\"problem\">" + Escape(setup.fileState) + "</dd>";
    }
    html += "</dl>";
    if (setup.selected) {
        html += "<div class=\"hands\">" + HandPanel(setup.hands[0]) + HandPanel(setup.hands[1]) + "</div>";
    }
    if (!setup.unboundActions.empty()) {
        html += "<p class=\"unbound\">Declared, without a source in this file:";
        for (const std::string& action : setup.unboundActions) {
            html += " <span class=\"action\"" + Attribute("data-action", action) + " data-unbound=\"true\">" +
                    Escape(action) + "</span>";
        }
        html += "</p>";
    }
    if (!setup.findings.empty()) {
        html += "<h3>Findings about this file</h3>" + FindingList(setup.findings);
    }
    return html + "</section>\n";
}

constexpr const char* kStyle = R"(
h2 .spec { font-weight: normal; color: #5a6273; font-size: 14px; }
h3 { font-size: 14px; margin: 14px 0 4px; }
.hands { display: flex; flex-wrap: nowrap; gap: 0 16px; justify-content: center; margin-top: 8px; }
.problem { color: #b42318; }
.unbound .action { display: inline-block; padding: 0 6px; margin: 2px; border-radius: 4px; background: #eef1f6;
                   font-family: "DejaVu Sans Mono", "Liberation Mono", monospace; font-size: 13px; }
.legend { display: flex; flex-wrap: wrap; gap: 6px 22px; align-items: center; font-size: 13px; }
.legend svg { vertical-align: middle; margin-right: 6px; }
.summary { font-weight: bold; }
svg .body { fill: #eef1f6; stroke: #4b5563; stroke-width: 2; }
svg .part { fill: #dfe4ec; stroke: #4b5563; stroke-width: 1.5; }
svg .well { fill: #d5dbe5; stroke: #4b5563; stroke-width: 1; }
svg .input { stroke: #4b5563; stroke-width: 1.5; }
svg .input.free { fill: #ffffff; }
svg .input.bound { fill: #93c5fd; stroke: #1d4ed8; }
svg .input.flagged { stroke: #d97706; stroke-width: 3; }
svg .arrow.free { fill: #9ca3af; stroke: none; }
svg .arrow.bound { fill: #1d4ed8; stroke: none; }
svg .arrow.flagged { fill: #d97706; stroke: none; }
svg .letter { text-anchor: middle; fill: #1f2937; font-weight: bold; }
svg .leader { fill: none; stroke: #c3c9d4; stroke-width: 1; }
svg .leader.bound { stroke: #7aa2e3; }
svg .leader.flagged { stroke: #d97706; }
svg .label-box { fill: #ffffff; stroke: #d6dbe3; }
svg .free .label-box { fill: #f7f8fa; }
svg .flagged .label-box { stroke: #e8b04a; }
svg text { font-size: 12px; fill: #1f2937; }
svg .hand-title { font-size: 15px; font-weight: bold; font-family: "DejaVu Sans", "Liberation Sans", sans-serif; }
svg .hand-note { font-size: 12px; fill: #5a6273; font-family: "DejaVu Sans", "Liberation Sans", sans-serif; }
svg .t { font-weight: bold; }
svg .t-free { fill: #8a93a3; }
svg .b-digital { fill: #1d4ed8; }
svg .b-analog { fill: #047857; }
svg .b-none { fill: #b45309; }
svg .dot-digital { fill: #1d4ed8; }
svg .dot-analog { fill: #047857; }
svg .dot-none { fill: #b45309; }
.legend .hint { color: #5a6273; }
svg .f-warning { fill: #b45309; font-weight: bold; }
svg .f-error { fill: #b42318; font-weight: bold; }
svg .f-text { fill: #374151; }
svg .f-loc { fill: #6b7280; font-size: 11px; }
)";

std::string Legend()
{
    const auto input = [](const char* cls, const char* words) {
        return std::string("<span><svg width=\"18\" height=\"18\" viewBox=\"0 0 18 18\"><circle cx=\"9\" cy=\"9\" "
                           "r=\"7\" class=\"input ") +
               cls + "\"/></svg>" + words + "</span>";
    };
    const auto text = [](const char* cls, const char* words) {
        return std::string("<span><svg width=\"14\" height=\"14\" viewBox=\"0 0 14 14\"><circle cx=\"7\" cy=\"7\" "
                           "r=\"5\" class=\"") +
               cls + "\"/></svg>" + words + "</span>";
    };
    return "<div class=\"legend card\">" + input("bound", "drives an action") + input("free", "free") +
           input("bound flagged", "has a finding") + text("dot-digital", "action read by a digital rule") +
           text("dot-analog", "action read as an analog value") + text("dot-none", "bound, but never reports") +
           "<span class=\"hint\">Hover a label for the rule, mode and JSON location.</span></div>";
}

}  // namespace

std::string RenderBindingsPage(const BindingsPage& page)
{
    std::string body = "<header><h1>Bindings of <code>" + Escape(page.manifest) + "</code></h1>";
    body += "<p class=\"sub summary\" data-errors=\"" + std::to_string(page.errors) + "\" data-warnings=\"" +
            std::to_string(page.warnings) + "\">" + std::to_string(page.errors) +
            (page.errors == 1 ? " error, " : " errors, ") + std::to_string(page.warnings) +
            (page.warnings == 1 ? " warning" : " warnings") + " \xC2\xB7 " + std::to_string(page.setups.size()) +
            (page.setups.size() == 1 ? " controller setup" : " controller setups") + "</p></header>\n";
    body += Legend() + "\n";
    for (const PageSetup& setup : page.setups) {
        body += SetupSection(setup);
    }
    if (!page.findings.empty()) {
        body += "<section class=\"card manifest-findings\"><h2>Findings about the manifest</h2>" +
                FindingList(page.findings) + "</section>\n";
    }
    return Document("Bindings of " + page.manifest, kStyle, body);
}

}  // namespace olva::check::html
