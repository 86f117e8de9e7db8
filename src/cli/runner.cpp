// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/runner.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <exception>
#include <fstream>
#include <new>
#include <optional>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <utility>

#include "cli/outputs.h"
#include "cli/script.h"
#include "editor/animation_export.h"
#include "editor/brush_settings.h"
#include "editor/stroke_controller.h"
#include "editor/warp_session.h"
#include "editor/warp_transfer.h"
#include "editor/zoom_ratio.h"
#include "picture/depth_convert.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"
#include "picture/random_source.h"
#include "warp/map_export.h"
#include "warp/smooth_render.h"

namespace grimora::cli {

namespace {

// One line: a usage error is one line of the tool's.
constexpr const char* kUsage =
    "usage: grimora-warp [--field FIELD_OUT] [--smooth] [--animation FILE [--frames N] "
    "[--delay MS] [--ping-pong] [--longest-side PX]] [--load-warp WARP] [--save-warp WARP_OUT] "
    "[--export-map MAP_OUT] INPUT SCRIPT OUTPUT";
constexpr const char* kHelp =
    "usage: grimora-warp [--field FIELD_OUT] [--smooth] [--animation FILE [--frames N]\n"
    "                    [--delay MS] [--ping-pong] [--longest-side PX]] [--load-warp WARP]\n"
    "                    [--save-warp WARP_OUT] [--export-map MAP_OUT.tif|MAP_OUT.exr]\n"
    "                    INPUT SCRIPT OUTPUT\n"
    "\n"
    "Applies the strokes of SCRIPT to INPUT and writes the result picture to OUTPUT.\n"
    "INPUT is a picture file (BMP, GIF, IFF/LBM, JPEG, PCX, PNG, TGA or TIFF)\n"
    "or blank:WxH, a white picture of W x H pixels.\n"
    "SCRIPT is a file, or - for standard input, with one command a line:\n"
    "  brush grow|shrink|rubber|smear|lug|freeze|thaw   strength S   radius R\n"
    "  axes xy|x|y   normalize on|off   zoom Z\n"
    "  press X Y   move X Y   release X Y   tick\n"
    "  undo   redo   (whole strokes; the loaded INPUT is where the history starts)\n"
    "  pressure K   (a pen's, 0 to 1024: the dabs that follow get strength S x K / 1024)\n"
    "  mask clear|invert   (the freeze mask that freeze and thaw paint)\n"
    "X and Y are positions in the zoomed editing view. '#' starts a comment.\n"
    "--field FIELD_OUT also writes the displacement field: width x height entries\n"
    "of two little-endian 32-bit integers (x, y), bottom row first.\n"
    "--smooth writes the smooth rendering (sub-pixel sampling) instead of the exact one.\n"
    "--animation FILE also writes the distortion as an animation from INPUT to OUTPUT,\n"
    "a .gif or .webp file: --frames N frames (24), --delay MS each (40), --ping-pong\n"
    "there and back again, scaled to --longest-side PX (640); smooth with --smooth.\n"
    "Nothing is written unless the whole script runs, and an existing OUTPUT or\n"
    "FIELD_OUT is replaced only once both new files are complete.\n"
    "--load-warp WARP puts a warp file (.gwarp) on INPUT before the script, scaled\n"
    "when it was made for another size; the script's history starts there.\n"
    "--save-warp WARP_OUT writes the field after the script as a warp file.\n"
    "--export-map writes it as a pixel map (.tif: 32-bit float source column and\n"
    "row from the top) or an STMap (.exr).\n";

struct Options {
    std::optional<std::string> fieldPath;
    std::optional<std::string> animationPath;
    std::optional<std::string> loadWarp;
    std::optional<std::string> saveWarp;
    std::optional<std::string> exportMap;
    AnimationSettings animation;
    bool animationOptions = false;  // one of --frames, --delay, --ping-pong, --longest-side
    std::string input;
    std::string script;
    std::string output;
    bool help = false;
};

bool readPositive(std::string_view text, int32_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value > 0;
}

// The option's place in `options` when `argument` names one that takes a file.
std::optional<std::string>* fileOption(Options& options, const std::string& argument) {
    if (argument == "--field") {
        return &options.fieldPath;
    }
    if (argument == "--animation") {
        return &options.animationPath;
    }
    if (argument == "--load-warp") {
        return &options.loadWarp;
    }
    if (argument == "--save-warp") {
        return &options.saveWarp;
    }
    if (argument == "--export-map") {
        return &options.exportMap;
    }
    return nullptr;
}

std::optional<Options> parseArguments(const std::vector<std::string>& arguments,
                                      std::string& error) {
    Options options;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument == "--help") {
            options.help = true;
        } else if (std::optional<std::string>* value =
                       optionsEnded ? nullptr : fileOption(options, argument)) {
            if (i + 1 == arguments.size()) {
                error = argument + " needs a file name";
                return std::nullopt;
            }
            *value = arguments[++i];
        } else if (!optionsEnded && argument == "--smooth") {
            options.animation.smooth = true;
        } else if (!optionsEnded && argument == "--ping-pong") {
            options.animation.pingPong = true;
            options.animationOptions = true;
        } else if (!optionsEnded && (argument == "--frames" || argument == "--delay" ||
                                     argument == "--longest-side")) {
            int32_t value = 0;
            if (i + 1 == arguments.size() || !readPositive(arguments[i + 1], value)) {
                error = argument + " needs a whole number above 0";
                return std::nullopt;
            }
            ++i;
            (argument == "--frames"  ? options.animation.frames
             : argument == "--delay" ? options.animation.delayMs
                                     : options.animation.longestSide) = value;
            options.animationOptions = true;
        } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            error = "unknown option " + argument;
            return std::nullopt;
        } else {
            positional.push_back(argument);
        }
    }
    if (options.help) {
        return options;
    }
    if (options.animationOptions && !options.animationPath) {
        error = "--frames, --delay, --ping-pong and --longest-side go with --animation";
        return std::nullopt;
    }
    if (options.animationPath) {
        AnimationFormat format{};
        error = !AnimationFormatOf(*options.animationPath, format)
                    ? "--animation writes .gif or .webp files"
                    : CheckAnimationSettings(options.animation);
        if (!error.empty()) {
            return std::nullopt;
        }
    }
    if (positional.size() != 3) {
        error = kUsage;
        return std::nullopt;
    }
    MapKind kind{};
    if (options.exportMap && !MapKindOf(*options.exportMap, kind)) {
        error = "--export-map writes .tif, .tiff or .exr files, not " + *options.exportMap;
        return std::nullopt;
    }
    options.input = positional[0];
    options.script = positional[1];
    options.output = positional[2];
    return options;
}

// Prints what the program shows in message boxes, and otherwise stands in
// for the editing page: it only keeps track of the timer, which a "tick"
// needs running.
class ConsoleHost : public EditorHost {
public:
    explicit ConsoleHost(std::ostream& errors) : errors_(errors) {}

    void showMessage(const std::string& text) override { errors_ << text << '\n'; }
    void captureMouse() override {}
    void releaseMouse() override {}
    void setTimerEnabled(bool enabled) override { timerEnabled_ = enabled; }
    void drawOutline(const OutlineRect& /*rect*/) override {}
    void eraseOutline(const OutlineRect& /*rect*/) override {}
    void drawPicture() override {}
    void setViewSize(int64_t /*width*/, int64_t /*height*/) override {}
    void SetProStatus(int32_t /*percent*/) override {}

    bool timerEnabled() const { return timerEnabled_; }

private:
    std::ostream& errors_;
    bool timerEnabled_ = false;
};

enum class LoadStatus { Loaded, BadName, Failed };

// "blank:WxH", or a picture file through the imaging library.
LoadStatus loadInput(const std::string& input, OwnedDib& picture, std::string& error) {
    constexpr std::string_view kBlank = "blank:";
    if (input.starts_with(kBlank)) {
        const std::string_view size = std::string_view(input).substr(kBlank.size());
        const std::size_t cross = size.find('x');
        int32_t width = 0;
        int32_t height = 0;
        if (cross == std::string_view::npos || !readPositive(size.substr(0, cross), width) ||
            !readPositive(size.substr(cross + 1), height)) {
            error = "\"" + input + "\": a blank picture is blank:WxH, e.g. blank:320x200";
            return LoadStatus::BadName;
        }
        picture = MakeWhitePicture(width, height);
        if (!picture.holdsPicture()) {
            error = "cannot make a blank picture of " + std::to_string(width) + " x " +
                    std::to_string(height) + " pixels";
            return LoadStatus::Failed;
        }
        return LoadStatus::Loaded;
    }
    Dib loaded;
    OpenDib(loaded, input.c_str(), ProgressCallback{});
    picture.reset(loaded);
    if (loaded.bits == nullptr) {
        const std::string reason(loaded.errorText, strnlen(loaded.errorText, kErrorTextSize));
        error = "cannot load " + input + (reason.empty() ? "" : ": " + reason);
        return LoadStatus::Failed;
    }
    // Palette pictures become 24 bits, as the program converts them after
    // loading. Only conversions to 4 and 8 bits draw random palette colours
    // and this one does not; a fixed seed rather than the clock keeps the
    // tool's output reproducible all the same.
    RandomSource random(0);
    DepthUpTo(picture, 24, random, nullptr);
    return LoadStatus::Loaded;
}

// The tool bar as the script sets it, and the events it sends.
class ScriptRunner {
public:
    ScriptRunner(StrokeController& controller, ConsoleHost& host)
        : controller_(controller), host_(host) {}

    void operator()(const SetBrush& c) { brush_.mode = c.mode; }
    void operator()(const SetStrength& c) { brush_.strength = c.value; }
    void operator()(const SetRadius& c) { brush_.radius = c.value; }
    void operator()(const SetAxes& c) {
        brush_.xSwitch = c.axes.x;
        brush_.ySwitch = c.axes.y;
    }
    void operator()(const SetNormalize& c) { brush_.normalize = c.on; }
    void operator()(const SetZoom& c) {
        brush_.zoom = c.value;
        // The program's spin edit corrects a value out of its range before
        // it is used; a script has none, so it is told.
        const ZoomOutcome outcome = ZoomRatioFromText(c.text).outcome;
        if (outcome == ZoomOutcome::Negative || outcome == ZoomOutcome::TooLarge) {
            host_.showMessage("zoom " + c.text +
                              (outcome == ZoomOutcome::Negative ? ": below 0" : ": too large") +
                              ", the zoom stays as it was");
        }
        controller_.ZoomEdChange(c.text);
    }
    void operator()(const Press& c) { controller_.PaintBox1MouseDown(c.at.x, c.at.y, brush_); }
    void operator()(const Move& c) { controller_.PaintBox1MouseMove(c.at.x, c.at.y, brush_); }
    void operator()(const Release& c) { controller_.PaintBox1MouseUp(c.at.x, c.at.y); }
    void operator()(const Tick&) {
        // The timer runs only during a stroke; a tick at any other time
        // cannot happen in the program.
        if (host_.timerEnabled()) {
            controller_.Timer1Timer(brush_);
        }
    }
    void operator()(const SetPressure& c) { brush_.pressure = c.k; }
    void operator()(const Undo&) { controller_.Undo(); }
    void operator()(const Redo&) { controller_.Redo(); }
    void operator()(const MaskCommand& c) {
        if (c.invert) {
            controller_.InvertMask();
        } else {
            controller_.ClearMask();
        }
    }

private:
    StrokeController& controller_;
    ConsoleHost& host_;
    BrushSettings brush_;
};

int run(const std::vector<std::string>& arguments, std::istream& input, std::ostream& output,
        std::ostream& errors) {
    std::string error;
    const std::optional<Options> options = parseArguments(arguments, error);
    if (!options) {
        errors << (error == kUsage ? "" : "grimora-warp: ") << error << '\n';
        return kExitUsage;
    }
    if (options->help) {
        output << kHelp;
        return kExitSuccess;
    }

    std::ifstream file;
    std::istream* script = &input;
    if (options->script != "-") {
        file.open(options->script);
        if (!file) {
            errors << "grimora-warp: cannot read script " << options->script << '\n';
            return kExitUsage;
        }
        script = &file;
    }
    const OutputPaths outputs{options->output, options->fieldPath, options->animationPath,
                              options->saveWarp, options->exportMap};
    if (!CheckOutputs(outputs, error)) {
        errors << "grimora-warp: " << error << '\n';
        return kExitFailure;
    }

    OwnedDib picture;
    switch (loadInput(options->input, picture, error)) {
        case LoadStatus::Loaded:
            break;
        case LoadStatus::BadName:
            errors << "grimora-warp: " << error << '\n';
            return kExitUsage;
        case LoadStatus::Failed:
            errors << "grimora-warp: " << error << '\n';
            return kExitFailure;
    }

    ConsoleHost host(errors);
    WarpSession session;
    if (!session.loadPicture(std::move(picture), host, options->input)) {
        return kExitFailure;
    }
    if (options->loadWarp) {
        WarpForPicture warp;
        if (!ReadWarpForPicture(*options->loadWarp, session, warp, error)) {
            errors << "grimora-warp: " << error << '\n';
            return kExitFailure;
        }
        if (warp.otherSize) {
            errors << "grimora-warp: " << *options->loadWarp << " was made for "
                   << warp.file.field.width() << " x " << warp.file.field.height()
                   << " pixels; it is scaled to " << session.width() << " x " << session.height()
                   << '\n';
        }
        if (ApplyWarp(session, warp) == WarpApplied::NoMemory) {
            errors << "grimora-warp: out of memory\n";
            return kExitFailure;
        }
        session.renderChanged(host);
    }
    // The history starts at INPUT, with its warp: no undo goes back further.
    session.clearHistory();
    StrokeController controller(session, host);
    controller.resizeView();
    ScriptRunner runner(controller, host);
    // Each line runs as it is read: a script of any length, an endless one
    // from a pipe too, takes no more memory than a line. The outputs are
    // written only once the whole script has run.
    std::string line;
    int64_t number = 0;
    while (ReadScriptLine(*script, line)) {
        std::optional<Command> command;
        if (!ParseScriptLine(line, ++number, command, error)) {
            errors << "grimora-warp: " << options->script << ": " << error << '\n';
            return kExitUsage;
        }
        if (command) {
            std::visit(runner, *command);
        }
    }
    if (script->bad()) {
        errors << "grimora-warp: " << options->script
               << ": the script could not be read to its end\n";
        return kExitUsage;
    }

    // The smooth rendering of the final field, as the session shows it with
    // "Smooth" on.
    OwnedDib smooth;
    if (options->animation.smooth) {
        renderSmooth(session.source(), session.field(), smooth, host);
    }
    const Dib& result = options->animation.smooth ? smooth.get() : session.result();
    if (!WriteOutputs(outputs, result, session.field(), error) ||
        (options->saveWarp && !SaveSessionWarp(session, *options->saveWarp, error)) ||
        (options->exportMap && !ExportMap(session.field(), *options->exportMap, error))) {
        errors << "grimora-warp: " << error << '\n';
        return kExitFailure;
    }
    if (options->animationPath &&
        !SaveMorphAnimation(session.source(), session.field(), options->animation,
                            *options->animationPath, {}, error)) {
        errors << "grimora-warp: " << error << '\n';
        return kExitFailure;
    }
    return kExitSuccess;
}

}  // namespace

int RunWarpTool(const std::vector<std::string>& arguments, std::istream& input,
                std::ostream& output, std::ostream& errors) {
    try {
        return run(arguments, input, output, errors);
    } catch (const std::bad_alloc&) {
        errors << "grimora-warp: out of memory\n";
    } catch (const std::exception& e) {
        errors << "grimora-warp: " << e.what() << '\n';
    }
    return kExitFailure;
}

}  // namespace grimora::cli
