// Window state kept in one place; the backend only mirrors it.
#include "platform/window/Window.h"

#include "platform/window/sdl/SdlWindow.h"

namespace platform {

TWindow::TWindow(std::string name, std::unique_ptr<IWindowBackend> backend)
    : name_(std::move(name)), backend_(std::move(backend)) {}

TWindow::~TWindow() = default;

void TWindow::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  backend_->SetCaption(caption_);
}

void TWindow::SetBounds(const WindowBounds& bounds) {
  bounds_ = bounds;
  backend_->SetBounds(bounds_);
}

void TWindow::Show() {
  if (visible_) return;
  visible_ = true;
  backend_->Show(caption_, bounds_, bordered_);
}

uint64_t TWindow::SystemHandle() const {
  return SdlSystemHandle(NativeHandle());
}

void TWindow::Hide() {
  if (!visible_) return;
  visible_ = false;
  backend_->Hide();
}

}  // namespace platform
