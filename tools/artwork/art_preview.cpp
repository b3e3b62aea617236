#include "tools/artwork/art_preview.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "tools/artwork/art_canvas.h"
#include "tools/artwork/art_catalog.h"

namespace {

constexpr int kViewWidth = 480;
constexpr int kViewHeight = 696;
constexpr unsigned kLabelBlue = 0x00A1D6;

class CPreview {
public:
    CPreview(const std::string& imgDir, cairo_t* cr) : m_sImgDir(imgDir), m_pCr(cr) {}

    // An image file at its natural size, alpha respected; nothing when missing.
    void Image(const std::string& name, double x, double y) {
        cairo_surface_t* image = cairo_image_surface_create_from_png((m_sImgDir + "/" + name).c_str());
        if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS) {
            cairo_set_source_surface(m_pCr, image, x, y);
            cairo_paint(m_pCr);
        } else {
            std::fprintf(stderr, "preview: missing %s\n", name.c_str());
        }
        cairo_surface_destroy(image);
    }

    void Bitmap(unsigned id, double x, double y) {
        for (const ArtResourceEntry& resource : ArtResources()) {
            if (resource.id != id || resource.icon) continue;
            cairo_save(m_pCr);
            cairo_translate(m_pCr, x, y);
            cairo_rectangle(m_pCr, 0, 0, resource.image.width, resource.image.height);
            cairo_clip(m_pCr);
            resource.image.draw(m_pCr);
            cairo_restore(m_pCr);
        }
    }

    // Text as the views draw it: a font of `cell` pixels, top-aligned in the rectangle.
    void Text(const std::string& utf8, double left, double top, double right, int cell, unsigned rgb,
              ArtAlign align = ArtAlign::Left) {
        ArtFont font{"NanumGothic", 400, cell * 0.86};
        ArtDrawTextBlock(m_pCr, utf8, font, ArtRgb(rgb), left, top, right - left, align);
    }
    void TextVCentre(const std::string& utf8, double left, double top, double right, double bottom, int cell,
                     unsigned rgb, ArtAlign align) {
        ArtFont font{"NanumGothic", 400, cell * 0.86};
        ArtDrawText(m_pCr, utf8, font, ArtRgb(rgb), left, top, right - left, bottom - top, align);
    }

    void Fill(double x, double y, double w, double h, unsigned rgb) {
        cairo_rectangle(m_pCr, x, y, w, h);
        ArtSetColor(m_pCr, ArtRgb(rgb));
        cairo_fill(m_pCr);
    }

    cairo_t* Cr() const { return m_pCr; }

private:
    std::string m_sImgDir;
    cairo_t* m_pCr;
};

struct MainState {
    bool english = true;
    int runState = 2;  // 0 stopped, 1 starting, 2 running
    int frame = 0;
    unsigned steps = 0;
    const char* calories = "0.00 Kcal";
    const char* time = "00 : 00 : 00 ";
    int pressed = -1;  // button drawn pressed: 0 start/stop, 1 reset, 2 log
};

void DrawMainView(CPreview& p, const MainState& s) {
    const char* suffix = s.english ? ".png" : "_k.png";
    p.Bitmap(129, 0, 0);
    p.Bitmap(130, 0, 588);
    p.Text(s.english ? "Steps" : "걸음", 32, 250, 100, 30, kLabelBlue);
    p.Text(s.english ? "Calories" : "칼로리", 32, 422, 120, 30, kLabelBlue);
    p.Text(s.english ? "Time" : "시간", 32, 511, 100, 30, kLabelBlue);
    p.Fill(120, 413, 240, 50, 0x000000);
    p.Text(s.calories, 120, 413, 360, 45, 0xFFFFFF, ArtAlign::Center);
    p.Fill(120, 503, 240, 50, 0x000000);
    p.Text(s.time, 120, 503, 360, 45, 0xFFFFFF, ArtAlign::Center);
    if (s.runState == 1) {
        p.Image("zuno_i.png", 207, 50);
        p.Text(s.english ? "While Movimetra is in use,\nthe battery drains\nfaster than normal."
                         : "만보계를 시작하면\n배터리가 추가적으로\n소모됩니다.",
               0, 123, 480, 32, 0xFFFFFF, ArtAlign::Center);
    } else if (s.runState == 0) {
        p.Image("Zuno_Run_unfocus.png", 187, 80);
    } else {
        char name[32];
        std::snprintf(name, sizeof name, "Zuno_Run_%02d.png", s.frame + 1);
        p.Image(name, 187, 80);
    }
    int digits[8];
    unsigned v = s.steps;
    for (int i = 0; i < 8; ++i) {
        digits[i] = v % 10;
        v /= 10;
    }
    int n = 8;
    while (n > 1 && digits[n - 1] == 0) --n;
    for (int i = 0; i < n; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "num_%02d.png", digits[n - 1 - i]);
        p.Image(name, (485 - 47 * n) / 2 + 49 * i, 243);
    }
    const std::string startStop = s.runState == 0 ? "control_start" : "control_stop";
    p.Image(startStop + (s.pressed == 0 ? "_f" : "_n") + suffix, 1, 588);
    p.Image(std::string("control_reset") + (s.pressed == 1 ? "_f" : "_n") + suffix, 161, 588);
    p.Image(std::string("control_log") + (s.pressed == 2 ? "_f" : "_n") + suffix, 321, 588);
}

// One input row of the profile view: label, box bitmap, the edit field on its brush, value, unit and
// the box's end caps, all placed from the box's top row.
void DrawProfileField(CPreview& p, const std::string& label, unsigned boxBitmap, unsigned brushBitmap,
                      const std::string& value, const std::string& unit, const std::string& capSuffix,
                      int boxTop) {
    const int fieldTop = boxTop + 11;
    p.Text(label, 15, boxTop - 46, 450, 37, 0xFFFFFF);
    p.Bitmap(boxBitmap, 25, boxTop);
    // The edit field's background brush: the top-left 60 x 40 of its bitmap.
    cairo_save(p.Cr());
    cairo_rectangle(p.Cr(), 27, fieldTop, 60, 40);
    cairo_clip(p.Cr());
    p.Bitmap(brushBitmap, 27, fieldTop);
    cairo_restore(p.Cr());
    p.TextVCentre(value, 27, fieldTop, 85, fieldTop + 40, 37, 0xFFFFFF, ArtAlign::Right);
    p.Text(unit, 97, fieldTop, 480, 37, 0xFFFFFF);
    p.Image("inputbox_01_left" + capSuffix + ".png", 15, boxTop);
    p.Image("inputbox_01_right" + capSuffix + ".png", 455, boxTop);
}

void DrawProfileView(CPreview& p) {
    // Brush bitmap 147 is the focused field's, 148 the unfocused one's.
    DrawProfileField(p, "Height", 146, 147, "175", "cm", "_dim", 68);
    DrawProfileField(p, "Weight", 145, 148, "65", "kg", "", 208);
    p.Text("Language", 15, 302, 450, 37, 0xFFFFFF);
    p.TextVCentre("한국어", 25, 348, 205, 410, 37, 0xFFFFFF, ArtAlign::Center);
    p.TextVCentre("English", 255, 348, 435, 410, 37, 0xFFFFFF, ArtAlign::Center);
    p.Image("Inputbox_03_normal.png", 15, 348);
    p.Image("Inputbox_03_normal.png", 245, 348);
    p.Image("Inputbox_03_dim.png", 255, 348);
}

void DrawHistoryView(CPreview& p) {
    p.Bitmap(131, 82, 211);
    p.Bitmap(132, 83, 648);
    for (int k = 1; k <= 5; ++k) p.Bitmap(133, 83, 648 - 80 * k);
    const int values[] = {648, 520, 430, 560, 380};  // rows of five points, Sunday to Thursday
    cairo_t* cr = p.Cr();
    cairo_set_line_width(cr, 4);
    ArtSetColor(cr, ArtRgb(0x00A0D4));
    for (int i = 0; i + 1 < 5; ++i) {
        cairo_move_to(cr, 86 + 53 * i + 10, values[i]);
        cairo_line_to(cr, 86 + 53 * (i + 1) + 10, values[i + 1]);
        cairo_stroke(cr);
    }
    for (int i = 0; i < 5; ++i) {
        // Marker 143 without its green corners, as TransparentImage draws it.
        p.Fill(86 + 53 * i + 10 - 2, values[i] - 1, 5, 3, 0xFFFFFF);
        p.Fill(86 + 53 * i + 10 - 1, values[i] - 2, 3, 5, 0xFFFFFF);
    }
    p.TextVCentre("Mar 2nd", 0, 99, 480, 137, 38, 0xFFFFFF, ArtAlign::Center);
    p.Text("(Steps)", 0, 215, 76, 20, 0x808080, ArtAlign::Right);
    for (int k = 0; k <= 5; ++k) {
        p.Text(std::to_string(1200 * k), 0, 635 - 80 * k, 76, 24, 0xFFFFFF, ArtAlign::Right);
    }
    const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    for (int i = 0; i < 7; ++i) p.Text(days[i], 86 + 53 * i, 653, 86 + 53 * i + 53, 20, 0xFFFFFF);
    p.Text("(Day)", 424, 650, 477, 20, 0x808080, ArtAlign::Right);
    // Bubble with "23456" (five characters: one middle piece) anchored at the last point.
    const int x = 86 + 53 * 4;
    const int y = values[4];
    const int s = 1;
    p.Image("graph_1.png", x - 20, y - 102);
    for (int k = 0; k < s; ++k) p.Image("graph_2(15x50).png", x - 9 + 15 * k, y - 102);
    p.Image("graph_3.png", x - 9 + 15 * s, y - 102);
    p.TextVCentre("23456", x - 20, y - 100, x + 15 * s + 56, y - 55, 32, 0xFFFFFF, ArtAlign::Center);
    p.Image("spin_left_n.png", 100, 98);
    p.Image("spin_right_f.png", 340, 98);
    const char* tabs[] = {"left", "middle", "right"};
    const char* tabTexts[] = {"Week", "Month", "Year"};
    const int tabX[] = {14, 165, 315};
    const int tabRight[] = {165, 315, 465};
    for (int i = 0; i < 3; ++i) {
        p.Image(std::string("category02_") + tabs[i] + "_normal.png", tabX[i], 13);
        p.TextVCentre(tabTexts[i], tabX[i], 13, tabRight[i], 79, 34, 0x000000, ArtAlign::Center);
    }
    p.Image("category02_left_focused.png", 14, 13);
    p.TextVCentre("Week", 14, 13, 165, 79, 34, 0xFFFFFF, ArtAlign::Center);
    const char* categories[] = {"Steps", "Calories", "Distance"};
    const int selX[] = {14, 165, 315};
    for (int i = 0; i < 3; ++i) {
        p.TextVCentre(categories[i], selX[i] + 29, 153, selX[i] + 150, 203, 34, 0xFFFFFF, ArtAlign::Left);
        p.Image("Inputbox_02_normal.png", selX[i], 153);
    }
    p.Image("Inputbox_02_dim.png", 14, 148);
}

void DrawPopupOver(CPreview& p) {
    // A dimmed picture of the opener behind the box.
    DrawHistoryView(p);
    p.Fill(0, 0, kViewWidth, kViewHeight, 0x000000);
    cairo_t* cr = p.Cr();
    cairo_save(cr);
    cairo_push_group(cr);
    DrawHistoryView(p);
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, 0.55);
    cairo_restore(cr);
    cairo_save(cr);
    cairo_translate(cr, 15, 90);
    p.Fill(0, 0, 445, 250, 0x000000);
    p.Image("popup01_tit.PNG", 0, 0);
    p.Image("popup02_tit.PNG", 0, 60);
    p.Image("popup_button_02_normal.PNG", 18, 170);
    p.Image("popup_button_02_Press.PNG", 229, 170);
    p.TextVCentre("Yes", 18, 170, 214, 232, 40, 0x000000, ArtAlign::Center);
    p.TextVCentre("No", 231, 170, 427, 232, 40, 0xFFFFFF, ArtAlign::Center);
    p.Text("Do you want to delete\nall records?", 50, 70, 445, 42, 0xFFFFFF);
    p.Text("Initialize", 18, 10, 427, 42, 0xFFFFFF, ArtAlign::Center);
    cairo_restore(cr);
}

bool Save(const CArtCanvas& canvas, const std::string& path, std::string* error) {
    if (cairo_surface_write_to_png(canvas.Surface(), path.c_str()) != CAIRO_STATUS_SUCCESS) {
        *error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace

bool ArtWritePreviews(const std::string& imgDir, const std::string& outDir, std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    const int gap = 16;

    {
        MainState states[4];
        states[0] = {true, 2, 3, 1234, "57.32 Kcal", "00 : 25 : 41 ", -1};
        states[1] = {false, 0, 0, 0, "0.00 Kcal", "00 : 00 : 00 ", 0};
        states[2] = {true, 1, 0, 0, "0.00 Kcal", "00 : 00 : 00 ", -1};
        states[3] = {false, 2, 6, 12345678, "1234.56 Kcal", "101 : 02 : 03 ", 1};
        CArtCanvas canvas(4 * kViewWidth + 3 * gap, kViewHeight, true);
        CPreview p(imgDir, canvas.Cr());
        p.Fill(0, 0, canvas.Width(), canvas.Height(), 0x404040);
        for (int i = 0; i < 4; ++i) {
            cairo_save(canvas.Cr());
            cairo_translate(canvas.Cr(), i * (kViewWidth + gap), 0);
            p.Fill(0, 0, kViewWidth, kViewHeight, 0x000000);
            DrawMainView(p, states[i]);
            cairo_restore(canvas.Cr());
        }
        if (!Save(canvas, outDir + "/artwork_main.png", error)) return false;
    }
    {
        // Frames 1-9 and the resting figure, twice their size, over the main background.
        const int scale = 2;
        CArtCanvas canvas(10 * 106 * scale, 150 * scale, true);
        CPreview p(imgDir, canvas.Cr());
        cairo_scale(canvas.Cr(), scale, scale);
        for (int i = 0; i < 10; ++i) {
            cairo_save(canvas.Cr());
            cairo_translate(canvas.Cr(), i * 106, 0);
            cairo_rectangle(canvas.Cr(), 0, 0, 106, 150);
            cairo_clip(canvas.Cr());
            p.Bitmap(129, -187, -80);
            char name[32];
            std::snprintf(name, sizeof name, "Zuno_Run_%02d.png", i + 1);
            p.Image(i < 9 ? name : "Zuno_Run_unfocus.png", 0, 0);
            cairo_restore(canvas.Cr());
        }
        if (!Save(canvas, outDir + "/artwork_runner.png", error)) return false;
    }
    {
        CArtCanvas canvas(3 * kViewWidth + 2 * gap, kViewHeight, true);
        CPreview p(imgDir, canvas.Cr());
        p.Fill(0, 0, canvas.Width(), canvas.Height(), 0x404040);
        void (*views[])(CPreview&) = {DrawPopupOver, DrawProfileView, DrawHistoryView};
        for (int i = 0; i < 3; ++i) {
            cairo_save(canvas.Cr());
            cairo_translate(canvas.Cr(), i * (kViewWidth + gap), 0);
            p.Fill(0, 0, kViewWidth, kViewHeight, 0x000000);
            views[i](p);
            cairo_restore(canvas.Cr());
        }
        if (!Save(canvas, outDir + "/artwork_views.png", error)) return false;
    }
    {
        // Every file on a mid-grey ground, in table order, with its name.
        const std::vector<ArtImageEntry> entries = ArtImageFiles();
        const int width = 1400;
        int x = gap;
        int y = gap;
        int rowHeight = 0;
        struct Placed {
            const ArtImageEntry* entry;
            int x, y;
        };
        std::vector<Placed> placed;
        for (const ArtImageEntry& entry : entries) {
            const int cellWidth = std::max(entry.width, 120);
            if (x + cellWidth + gap > width) {
                x = gap;
                y += rowHeight + 22 + gap;
                rowHeight = 0;
            }
            placed.push_back({&entry, x, y});
            x += cellWidth + gap;
            rowHeight = std::max(rowHeight, entry.height);
        }
        CArtCanvas canvas(width, y + rowHeight + 22 + gap, true);
        CPreview p(imgDir, canvas.Cr());
        p.Fill(0, 0, canvas.Width(), canvas.Height(), 0x3A3F45);
        for (const Placed& item : placed) {
            p.Image(item.entry->name, item.x, item.y);
            ArtFont font{"NanumGothic", 400, 11};
            ArtDrawText(canvas.Cr(), item.entry->name, font, ArtRgb(0xD0D0D0), item.x,
                        item.y + item.entry->height + 3, std::max(item.entry->width, 120), 14,
                        ArtAlign::Left);
        }
        if (!Save(canvas, outDir + "/artwork_sheet.png", error)) return false;
    }
    {
        // Small pieces and the two icons three times their size, pixels kept sharp.
        const char* names[] = {"control_reset_n.png", "control_start_f_k.png", "num_08.png",
                               "zuno_i.png",          "spin_left_n.png",       "spin_right_f.png",
                               "Zuno_Run_unfocus.png"};
        std::vector<ArtImageEntry> items;
        const std::vector<ArtImageEntry> entries = ArtImageFiles();
        for (const char* name : names) items.push_back(*ArtFindImage(entries, name));
        for (const ArtResourceEntry& resource : ArtResources()) {
            if (resource.icon) items.push_back(resource.image);
        }
        const int scale = 3;
        int width = gap;
        int height = 0;
        for (const ArtImageEntry& item : items) {
            width += item.width * scale + gap;
            height = std::max(height, item.height * scale + 2 * gap);
        }
        CArtCanvas canvas(width, height, true);
        CPreview p(imgDir, canvas.Cr());
        p.Fill(0, 0, width, height, 0x202428);
        int x = gap;
        for (const ArtImageEntry& item : items) {
            CArtCanvas piece(item.width, item.height, item.opaque);
            item.draw(piece.Cr());
            cairo_surface_flush(piece.Surface());
            cairo_save(canvas.Cr());
            cairo_translate(canvas.Cr(), x, gap);
            cairo_scale(canvas.Cr(), scale, scale);
            cairo_set_source_surface(canvas.Cr(), piece.Surface(), 0, 0);
            cairo_pattern_set_filter(cairo_get_source(canvas.Cr()), CAIRO_FILTER_NEAREST);
            cairo_paint(canvas.Cr());
            cairo_restore(canvas.Cr());
            x += item.width * scale + gap;
        }
        if (!Save(canvas, outDir + "/artwork_zoom.png", error)) return false;
    }
    return true;
}
