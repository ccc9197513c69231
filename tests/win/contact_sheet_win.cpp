// When the Windows tests end, every language folder of screenshots under
// build/test-results/screens/<build>/ gets one contact sheet, "<code>-sheet.png" beside the
// folders: the language's screenshots side by side, each under its name, so that one look
// compares a language's pages and dialogs, and sheets of two languages compare at a glance.
#include "tests/win/window_capture_win.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/gdiplus_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <system_error>

namespace {

constexpr int sheet_columns = 4;
constexpr int cell_width = 400, cell_height = 300;  // an 800 x 600 window at half size
constexpr int cell_gap = 12, label_height = 18;

// A PNG's pixels, read with GDI+ (empty when the file cannot be read).
window_pixels_c read_png(const std::filesystem::path& file) {
    window_pixels_c image;
    Gdiplus::Bitmap bitmap(file.wstring().c_str());
    if (bitmap.GetLastStatus() != Gdiplus::Ok) return image;
    Gdiplus::Rect all(0, 0, INT(bitmap.GetWidth()), INT(bitmap.GetHeight()));
    Gdiplus::BitmapData data{};
    if (bitmap.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &data) != Gdiplus::Ok) return image;
    image.width = all.Width;
    image.height = all.Height;
    image.pixels.resize(std::size_t(image.width) * std::size_t(image.height));
    for (int y = 0; y < image.height; ++y) {
        auto row = static_cast<const std::uint32_t*>(data.Scan0) + std::ptrdiff_t(y) * (data.Stride / 4);
        std::copy(row, row + image.width, image.pixels.begin() + std::ptrdiff_t(y) * image.width);
    }
    bitmap.UnlockBits(&data);
    return image;
}

BITMAPINFO top_down_info(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    return info;
}

// The PNGs of one folder, by name.
std::vector<std::filesystem::path> screenshots_in(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().extension() == ".png") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

bool write_contact_sheet(const std::filesystem::path& folder, const std::filesystem::path& sheet_file) {
    auto files = screenshots_in(folder);
    if (files.empty()) return false;
    int rows = int(files.size() + sheet_columns - 1) / sheet_columns;
    window_pixels_c sheet;
    sheet.width = sheet_columns * (cell_width + cell_gap) + cell_gap;
    sheet.height = rows * (cell_height + label_height + cell_gap) + cell_gap;
    window_dc_c screen(nullptr);
    memory_dc_c memory(screen.get());
    BITMAPINFO info = top_down_info(sheet.width, sheet.height);
    void* bits = nullptr;
    bitmap_c section(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section) return false;
    {
        selection_c selected(memory.get(), section.get());
        RECT all = {0, 0, sheet.width, sheet.height};
        FillRect(memory.get(), &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
        SetStretchBltMode(memory.get(), HALFTONE);
        SetBrushOrgEx(memory.get(), 0, 0, nullptr);
        SetBkMode(memory.get(), TRANSPARENT);
        SetTextColor(memory.get(), RGB(255, 255, 255));
        selection_c font(memory.get(), static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
        for (std::size_t i = 0; i < files.size(); ++i) {
            window_pixels_c shot = read_png(files[i]);
            if (shot.width <= 0) continue;
            int x = cell_gap + int(i % sheet_columns) * (cell_width + cell_gap);
            int y = cell_gap + int(i / sheet_columns) * (cell_height + label_height + cell_gap);
            // Dialogs smaller than a cell keep their size; windows shrink to fit, keeping their shape.
            double scale = std::min({1.0, double(cell_width) / shot.width, double(cell_height) / shot.height});
            int width = std::max(1, int(shot.width * scale)), height = std::max(1, int(shot.height * scale));
            BITMAPINFO shot_info = top_down_info(shot.width, shot.height);
            StretchDIBits(memory.get(), x, y, width, height, 0, 0, shot.width, shot.height, shot.pixels.data(),
                          &shot_info, DIB_RGB_COLORS, SRCCOPY);
            std::wstring label = files[i].stem().wstring();
            TextOutW(memory.get(), x, y + cell_height + 2, label.c_str(), int(label.size()));
        }
    }
    GdiFlush();
    auto first = static_cast<const std::uint32_t*>(bits);
    sheet.pixels.assign(first, first + std::size_t(sheet.width) * std::size_t(sheet.height));
    return write_png(sheet, sheet_file);
}

class contact_sheet_environment_c : public ::testing::Environment {
public:
    void TearDown() override {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return;
        const char* build = sizeof(void*) == 8 ? "win64" : "win32";
        std::filesystem::path screens = std::filesystem::path(VANTOREL_SOURCE_DIR) / "build" / "test-results" / "screens" / build;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(screens, error))
            if (entry.is_directory(error))
                write_contact_sheet(entry.path(), screens / (entry.path().filename().string() + "-sheet.png"));
        Gdiplus::GdiplusShutdown(token);
    }
};

const auto* contact_sheets_registered = ::testing::AddGlobalTestEnvironment(new contact_sheet_environment_c);

}  // namespace
