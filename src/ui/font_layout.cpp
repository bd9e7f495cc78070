#include "ui/font_layout.h"

#include <algorithm>

#include "ui/gdi.h"

int FontHeight(HFONT font) {
    WindowDc dc(nullptr);
    SelectGuard select(dc.get(), font);
    TEXTMETRICA tm{};
    if (!GetTextMetricsA(dc.get(), &tm))
        return kDesignFontHeight;
    return static_cast<int>(tm.tmHeight);
}

int ScaledForFont(int designPixels, int fontHeight) {
    if (fontHeight <= kDesignFontHeight)
        return designPixels;
    return MulDiv(designPixels, fontHeight, kDesignFontHeight);
}

int TextWidth(HFONT font, const std::string &text) {
    WindowDc dc(nullptr);
    SelectGuard select(dc.get(), font);
    SIZE size{};
    GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
}

int WrappedTextHeight(HFONT font, const std::string &text, int width) {
    WindowDc dc(nullptr);
    SelectGuard select(dc.get(), font);
    RECT r{0, 0, width, 0};
    DrawTextA(dc.get(), text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    return static_cast<int>(r.bottom - r.top);
}

int WidthShowingText(int measured, int fontHeight) {
    return measured + measured / 25 + ScaledForFont(4, fontHeight);
}

std::string WrapText(HFONT font, const std::string &text, int width) {
    WindowDc dc(nullptr);
    SelectGuard select(dc.get(), font);
    auto fits = [&](const std::string &line) {
        SIZE size{};
        GetTextExtentPoint32A(dc.get(), line.c_str(), static_cast<int>(line.size()), &size);
        return size.cx <= width;
    };
    std::string wrapped, line;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find(' ', at), text.size());
        const std::string word = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && !fits(line + " " + word)) {
            wrapped += line + "\r\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return wrapped + line;
}

RECT WorkArea() {
    RECT work{};
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0) || work.right <= work.left || work.bottom <= work.top)
        work = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return work;
}

RECT CentredIn(const RECT &area, int width, int height) {
    const int cx = std::min(width, static_cast<int>(area.right - area.left));
    const int cy = std::min(height, static_cast<int>(area.bottom - area.top));
    const int x = area.left + (area.right - area.left - cx) / 2;
    const int y = area.top + (area.bottom - area.top - cy) / 2;
    return RECT{x, y, x + cx, y + cy};
}

StatusWidths ChooseStatusWidths(int clientWidth, int helpNeed, int pathNeed, int systemNeed, int pathDesign,
                                int systemDesign) {
    StatusWidths w;
    w.system = std::max(systemDesign, systemNeed);
    w.path = pathDesign;
    int missing = helpNeed - (clientWidth - w.path - w.system);
    // The path gives way down to its text, then the operating system down to
    // its own, and last the path is cut.
    const int fromPath = std::clamp(missing, 0, std::max(0, w.path - pathNeed));
    w.path -= fromPath;
    missing -= fromPath;
    const int fromSystem = std::clamp(missing, 0, std::max(0, w.system - systemNeed));
    w.system -= fromSystem;
    missing -= fromSystem;
    if (missing > 0)
        w.path = std::max(0, w.path - missing);
    w.help = std::max(0, clientWidth - w.path - w.system);
    return w;
}
