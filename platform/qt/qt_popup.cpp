#include "platform/qt/qt_popup.h"

#include <QCloseEvent>
#include <QWidget>
#include <functional>
#include <string>

#include "platform/qt/program_icon.h"

namespace zelmora::qt {
namespace {

// Always on top, never takes the focus; the close box only hides it.
class PopupWidget final : public QWidget {
 public:
  PopupWidget()
      : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                             Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setAttribute(Qt::WA_ShowWithoutActivating);
  }

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    hide();
  }
};

// Placeholder until the page view arrives: the window behaves as the real one,
// navigate() only remembers the address.
class QtPopup final : public platform::PopupWindow {
 public:
  explicit QtPopup(const platform::PopupSpec& spec) {
    widget_.setWindowTitle(QString::fromUtf8(spec.caption.data(), static_cast<qsizetype>(spec.caption.size())));
    widget_.setWindowIcon(ProgramIcon());
    widget_.setFixedSize(spec.clientSize.width, spec.clientSize.height);
    widget_.move(spec.initialPosition.x, spec.initialPosition.y);
  }

  void setLeft(int left) override { widget_.move(left, widget_.y()); }
  void setTop(int top) override { widget_.move(widget_.x(), top); }
  platform::Point position() const override { return {widget_.x(), widget_.y()}; }
  platform::Size outerSize() const override {
    const QRect frame = widget_.frameGeometry();
    return {frame.width(), frame.height()};
  }
  void show() override {
    widget_.show();
    widget_.raise();
  }
  void hide() override { widget_.hide(); }
  bool isVisible() const override { return widget_.isVisible(); }
  void navigate(const std::u16string& address) override { address_ = address; }
  void onDocumentComplete(std::function<void()> handler) override { onDocumentComplete_ = std::move(handler); }

 private:
  PopupWidget widget_;
  std::u16string address_;
  std::function<void()> onDocumentComplete_;
};

}  // namespace

std::unique_ptr<platform::PopupWindow> CreateQtPopup(const platform::PopupSpec& spec) {
  return std::make_unique<QtPopup>(spec);
}

}  // namespace zelmora::qt
