#include "ui/grid_panel.h"

#include "resources/ids.h"
#include "system/files.h"

namespace {

class DialogSaveUi : public SaveListUi {
  public:
    explicit DialogSaveUi(const std::function<void(const std::string &)> &tell) : tell_(tell) {}
    std::string AskSaveFile() override { return SaveFileName("*.txt", "Text File"); }
    void Tell(const std::string &prompt) override {
        if (tell_)
            tell_(prompt);
    }

  private:
    const std::function<void(const std::string &)> &tell_;
};

} // namespace

GridPanel::GridPanel(GridEvents &events) : events_(events) {}

bool GridPanel::CreateGrid(int index, HWND parent, const RECT &bounds, DWORD exStyle) {
    if (index < 1 || index > kGridCount)
        return false;
    auto &window = windows_[static_cast<size_t>(index)];
    window = std::make_unique<GridWindow>(data_.Grid(index), &images_, &events_, index);
    return window->Create(parent, IDC_GRID0 + index, bounds, exStyle) != nullptr;
}

void GridPanel::MoveGrid(int index, const RECT &bounds) {
    if (GridWindow *window = Window(index); window && window->Handle())
        MoveWindow(window->Handle(), bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                   TRUE);
}

GridWindow *GridPanel::Window(int index) {
    return index >= 1 && index <= kGridCount ? windows_[static_cast<size_t>(index)].get() : nullptr;
}

void GridPanel::LoadGrids() { data_.LoadGrids(images_); }

void GridPanel::Refresh() {
    for (int i = 1; i <= kGridCount; ++i)
        if (GridWindow *window = Window(i))
            window->Refresh();
}

void GridPanel::SaveList(const std::function<void(const std::string &)> &tell) {
    DialogSaveUi save(tell);
    SaveGridsList(data_, save);
}
