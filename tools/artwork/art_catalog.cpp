#include "tools/artwork/art_catalog.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "tools/artwork/art_canvas.h"
#include "tools/artwork/art_forms.h"
#include "tools/artwork/art_history.h"
#include "tools/artwork/art_main_view.h"
#include "tools/artwork/art_runner.h"

namespace {

std::vector<std::string> BuildNames(bool english) {
    std::vector<std::string> names;
    char buffer[64];
    for (int i = 1; i <= RUNNER_FRAME_COUNT; ++i) {
        std::snprintf(buffer, sizeof buffer, "Zuno_Run_%02d.png", i);
        names.push_back(buffer);
    }
    for (int i = 0; i <= 9; ++i) {
        std::snprintf(buffer, sizeof buffer, "num_%02d.png", i);
        names.push_back(buffer);
    }
    const char* controls[] = {"start", "stop", "reset", "log"};
    for (const char* control : controls) {
        for (const char* look : {"n", "f"}) {
            names.push_back(std::string("control_") + control + "_" + look + (english ? "" : "_k") + ".png");
        }
    }
    names.push_back("zuno_i.png");
    for (const char* side : {"left", "right"}) {
        for (const char* look : {"n", "f"}) {
            names.push_back(std::string("spin_") + side + "_" + look + ".png");
        }
    }
    for (const char* position : {"left", "middle", "right"}) {
        for (const char* look : {"normal", "focused", "pressed"}) {
            names.push_back(std::string("category02_") + position + "_" + look + ".png");
        }
    }
    const char* rest[] = {"Zuno_Run_unfocus.png",
                          "graph_box.png",
                          "graph_1.png",
                          "graph_2(15x50).png",
                          "graph_3.png",
                          "inputbox_01_left_dim.png",
                          "inputbox_01_left.png",
                          "inputbox_01_right_dim.png",
                          "inputbox_01_right.png",
                          "Inputbox_02_dim.png",
                          "Inputbox_02_normal.png",
                          "Inputbox_03_dim.png",
                          "Inputbox_03_normal.png",
                          "popup01_tit.PNG",
                          "popup02_tit.PNG",
                          "popup_button_02_focus.PNG",
                          "popup_button_02_normal.PNG",
                          "popup_button_02_Press.PNG"};
    names.insert(names.end(), std::begin(rest), std::end(rest));
    return names;
}

ArtImageEntry Entry(const std::string& name, int width, int height, std::function<void(cairo_t*)> draw,
                    bool opaque = false) {
    ArtImageEntry entry;
    entry.name = name;
    entry.width = width;
    entry.height = height;
    entry.opaque = opaque;
    entry.draw = std::move(draw);
    return entry;
}

// The drawing behind one file name; name must be a table name.
ArtImageEntry EntryForName(const std::string& name) {
    int number = 0;
    if (std::sscanf(name.c_str(), "Zuno_Run_%d.png", &number) == 1) {
        return Entry(name, RUNNER_FRAME_WIDTH, RUNNER_FRAME_HEIGHT,
                     [number](cairo_t* cr) { DrawRunnerFrame(cr, number - 1); });
    }
    if (name == "Zuno_Run_unfocus.png") {
        return Entry(name, RUNNER_FRAME_WIDTH, RUNNER_FRAME_HEIGHT, DrawRunnerResting);
    }
    if (std::sscanf(name.c_str(), "num_%d.png", &number) == 1) {
        return Entry(name, DIGIT_WIDTH, DIGIT_HEIGHT, [number](cairo_t* cr) { DrawDigit(cr, number); });
    }
    if (name.rfind("control_", 0) == 0) {
        ControlKind kind = ControlKind::Start;
        if (name.find("_stop_") != std::string::npos) kind = ControlKind::Stop;
        if (name.find("_reset_") != std::string::npos) kind = ControlKind::Reset;
        if (name.find("_log_") != std::string::npos) kind = ControlKind::Log;
        const bool pressed =
            name.find("_f.png") != std::string::npos || name.find("_f_k.png") != std::string::npos;
        const bool korean = name.find("_k.png") != std::string::npos;
        return Entry(name, CONTROL_WIDTH, CONTROL_HEIGHT,
                     [=](cairo_t* cr) { DrawControlButton(cr, kind, pressed, korean); });
    }
    if (name == "zuno_i.png") return Entry(name, NOTICE_ICON_SIZE, NOTICE_ICON_SIZE, DrawNoticeIcon);
    if (name.rfind("spin_", 0) == 0) {
        const bool right = name.find("right") != std::string::npos;
        const bool pressed = name.find("_f.png") != std::string::npos;
        return Entry(name, SPIN_WIDTH, SPIN_HEIGHT, [=](cairo_t* cr) { DrawSpinArrow(cr, right, pressed); });
    }
    if (name.rfind("category02_", 0) == 0) {
        TabPosition position = TabPosition::Left;
        if (name.find("_middle_") != std::string::npos) position = TabPosition::Middle;
        if (name.find("_right_") != std::string::npos) position = TabPosition::Right;
        TabLook look = TabLook::Normal;
        if (name.find("_focused") != std::string::npos) look = TabLook::Focused;
        if (name.find("_pressed") != std::string::npos) look = TabLook::Pressed;
        return Entry(name, TAB_WIDTH, TAB_HEIGHT, [=](cairo_t* cr) { DrawTab(cr, position, look); });
    }
    if (name == "graph_box.png") return Entry(name, GRAPH_BOX_WIDTH, GRAPH_BOX_HEIGHT, DrawGraphBox);
    if (name == "graph_1.png") return Entry(name, BUBBLE_LEFT_WIDTH, BUBBLE_HEIGHT, DrawBubbleLeft);
    if (name == "graph_2(15x50).png")
        return Entry(name, BUBBLE_MIDDLE_WIDTH, BUBBLE_HEIGHT, DrawBubbleMiddle);
    if (name == "graph_3.png") return Entry(name, BUBBLE_RIGHT_WIDTH, BUBBLE_HEIGHT, DrawBubbleRight);
    if (name.rfind("inputbox_01_", 0) == 0) {
        const bool right = name.find("_right") != std::string::npos;
        const bool focused = name.find("_dim") != std::string::npos;  // "dim" is the focused look
        return Entry(name, INPUT_CAP_WIDTH, INPUT_BOX_HEIGHT,
                     [=](cairo_t* cr) { DrawInputCap(cr, right, focused); });
    }
    if (name == "Inputbox_02_normal.png")
        return Entry(name, SELECTOR_WIDTH, SELECTOR_HEIGHT, DrawSelectorBox);
    if (name == "Inputbox_02_dim.png")
        return Entry(name, SELECTOR_WIDTH, SELECTOR_MARK_HEIGHT, DrawSelectorMark);
    if (name == "Inputbox_03_normal.png")
        return Entry(name, CHOICE_BOX_WIDTH, CHOICE_BOX_HEIGHT, DrawChoiceBox);
    if (name == "Inputbox_03_dim.png")
        return Entry(name, CHOICE_MARK_WIDTH, CHOICE_BOX_HEIGHT, DrawChoiceMark);
    if (name == "popup01_tit.PNG") return Entry(name, POPUP_WIDTH, POPUP_TITLE_HEIGHT, DrawPopupTitle);
    if (name == "popup02_tit.PNG") return Entry(name, POPUP_WIDTH, POPUP_BODY_HEIGHT, DrawPopupBody);
    if (name.rfind("popup_button_02_", 0) == 0) {
        PopupButtonLook look = PopupButtonLook::Normal;
        if (name.find("_focus") != std::string::npos) look = PopupButtonLook::Focus;
        if (name.find("_Press") != std::string::npos) look = PopupButtonLook::Press;
        return Entry(name, POPUP_BUTTON_WIDTH, POPUP_BUTTON_HEIGHT,
                     [look](cairo_t* cr) { DrawPopupButton(cr, look); });
    }
    return Entry(name, 0, 0, nullptr);
}

bool ReadFile(const std::string& path, std::vector<unsigned char>* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// Writes through a temporary file and a rename, so a reader never sees half a file.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string* error) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            *error = "cannot write " + temporary;
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        *error = "cannot rename " + temporary + " to " + path;
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool ArtWriteFileIfChanged(const std::string& path, const std::string& bytes, std::string* error) {
    std::vector<unsigned char> existing;
    if (ReadFile(path, &existing) && std::string(existing.begin(), existing.end()) == bytes) return true;
    return WriteFileAtomically(path, bytes, error);
}

namespace {

void AppendByteArray(std::string* out, const std::string& name, const std::vector<unsigned char>& png) {
    *out += "const unsigned char " + name + "[" + std::to_string(png.size()) + "] = {";
    char buffer[8];
    for (size_t i = 0; i < png.size(); ++i) {
        if (i % 20 == 0) *out += "\n    ";
        std::snprintf(buffer, sizeof buffer, "%u,", static_cast<unsigned>(png[i]));
        *out += buffer;
    }
    *out += "\n};\n";
}

}  // namespace

const std::vector<std::string>& ArtImageTableNames(bool english) {
    static const std::vector<std::string> korean = BuildNames(false);
    static const std::vector<std::string> englishNames = BuildNames(true);
    return english ? englishNames : korean;
}

std::vector<ArtImageEntry> ArtImageFiles() {
    std::vector<ArtImageEntry> entries;
    std::set<std::string> seen;
    for (bool english : {false, true}) {
        for (const std::string& name : ArtImageTableNames(english)) {
            if (seen.insert(name).second) entries.push_back(EntryForName(name));
        }
    }
    return entries;
}

std::vector<ArtResourceEntry> ArtResources() {
    std::vector<ArtResourceEntry> resources;
    auto add = [&resources](unsigned id, bool icon, ArtImageEntry image) {
        ArtResourceEntry resource;
        resource.id = id;
        resource.icon = icon;
        resource.image = std::move(image);
        resources.push_back(std::move(resource));
    };
    add(101, true,
        Entry(
            "icon 101", 64, 64, [](cairo_t* cr) { DrawAppIcon(cr, 64); }, true));
    add(136, true,
        Entry(
            "icon 136", 32, 32, [](cairo_t* cr) { DrawAppIcon(cr, 32); }, true));
    add(129, false, Entry("bitmap 129", 480, 352, DrawUpperBackground, true));
    add(130, false, Entry("bitmap 130", 480, 108, DrawButtonStrip, true));
    add(131, false,
        Entry(
            "bitmap 131", 1, 438, [](cairo_t* cr) { DrawSolidRect(cr, 1, 438, 0xBFBFBF); }, true));
    add(132, false,
        Entry(
            "bitmap 132", 375, 1, [](cairo_t* cr) { DrawSolidRect(cr, 375, 1, 0xBFBFBF); }, true));
    add(133, false,
        Entry(
            "bitmap 133", 375, 1, [](cairo_t* cr) { DrawSolidRect(cr, 375, 1, 0x404040); }, true));
    add(143, false, Entry("bitmap 143", 5, 5, DrawChartMarker, true));
    add(145, false,
        Entry(
            "bitmap 145", INPUT_BOX_WIDTH, INPUT_BOX_HEIGHT, [](cairo_t* cr) { DrawInputBox(cr, false); },
            true));
    add(146, false,
        Entry(
            "bitmap 146", INPUT_BOX_WIDTH, INPUT_BOX_HEIGHT, [](cairo_t* cr) { DrawInputBox(cr, true); },
            true));
    add(147, false,
        Entry(
            "bitmap 147", INPUT_BOX_WIDTH, INPUT_FILL_HEIGHT, [](cairo_t* cr) { DrawInputFill(cr, true); },
            true));
    add(148, false,
        Entry(
            "bitmap 148", INPUT_BOX_WIDTH, INPUT_FILL_HEIGHT, [](cairo_t* cr) { DrawInputFill(cr, false); },
            true));
    return resources;
}

const ArtImageEntry* ArtFindImage(const std::vector<ArtImageEntry>& entries, const std::string& name) {
    for (const ArtImageEntry& entry : entries) {
        if (entry.name == name) return &entry;
    }
    return nullptr;
}

std::string ArtScaledName(const std::string& name, int scale) {
    if (scale == 1) return name;
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) dot = name.size();
    return name.substr(0, dot) + "@" + std::to_string(scale) + "x" + name.substr(dot);
}

bool ArtRenderPng(const ArtImageEntry& entry, std::vector<unsigned char>* png, int scale) {
    if (!entry.draw || entry.width <= 0 || entry.height <= 0 || scale < 1) return false;
    CArtCanvas canvas(entry.width, entry.height, entry.opaque, scale);
    entry.draw(canvas.Cr());
    return canvas.EncodePng(png);
}

bool ArtWriteImageFiles(const std::string& dir, std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        *error = "cannot create " + dir + ": " + ec.message();
        return false;
    }
    for (const ArtImageEntry& entry : ArtImageFiles()) {
        for (int scale : kArtScales) {
            std::vector<unsigned char> png;
            if (!ArtRenderPng(entry, &png, scale)) {
                *error = "cannot draw " + entry.name;
                return false;
            }
            const std::string path = dir + "/" + ArtScaledName(entry.name, scale);
            std::vector<unsigned char> existing;
            if (ReadFile(path, &existing) && existing == png) continue;
            if (!WriteFileAtomically(path, std::string(png.begin(), png.end()), error)) return false;
        }
    }
    return true;
}

bool ArtWriteResourceSource(const std::string& path, std::string* error) {
    std::string out =
        "// Generated by mv_artwork at build time: icons and bitmaps as PNG bytes. Do not edit.\n"
        "#include \"resources/resource_images.h\"\n\nnamespace {\n\n";
    std::string icons;
    std::string bitmaps;
    int iconCount = 0;
    int bitmapCount = 0;
    for (const ArtResourceEntry& resource : ArtResources()) {
        const std::string name =
            std::string(resource.icon ? "kIcon" : "kBitmap") + std::to_string(resource.id);
        std::string entry = "    {" + std::to_string(resource.id);
        for (int scale : kArtScales) {
            std::vector<unsigned char> png;
            if (!ArtRenderPng(resource.image, &png, scale)) {
                *error = "cannot draw " + resource.image.name;
                return false;
            }
            const std::string array = scale == 1 ? name : name + "_" + std::to_string(scale) + "x";
            AppendByteArray(&out, array, png);
            entry += ", " + array + ", sizeof " + array;
        }
        entry += "},\n";
        if (resource.icon) {
            icons += entry;
            ++iconCount;
        } else {
            bitmaps += entry;
            ++bitmapCount;
        }
    }
    out += "\n}  // namespace\n\n";
    out += "const MV_RES_IMAGE g_mvResIcons[] = {\n" + icons + "};\n";
    out += "const int g_mvResIconCount = " + std::to_string(iconCount) + ";\n\n";
    out += "const MV_RES_IMAGE g_mvResBitmaps[] = {\n" + bitmaps + "};\n";
    out += "const int g_mvResBitmapCount = " + std::to_string(bitmapCount) + ";\n";

    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    return WriteFileAtomically(path, out, error);
}
