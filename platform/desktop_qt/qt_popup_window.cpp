#include "platform/desktop_qt/qt_popup_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <utility>

#include "core/error.h"
#include "platform/desktop_qt/handler_call.h"
#include "platform/desktop_qt/program_icon.h"
#include "platform/desktop_qt/x11/frame_extents.h"
#include "platform/desktop_qt/x11/x11_hints.h"
#include "platform/desktop_qt/x11/xcb_helpers.h"

namespace zelmora::platform::qt {
namespace {

// A move by the user or the window manager is taken over only when the
// program's own last move is this old, so that a move still on its way to the
// window manager is never mistaken for the window's place.
constexpr qint64 kSettledMoveMs = 1000;

// After mapping, how often and how long to look for the window manager's frame.
constexpr int kFrameCheckMs = 50;
constexpr int kFrameChecks = 40;

// Always on top and never takes the focus; the close box asks the owner.
class PopupWidget final : public QWidget {
 public:
  explicit PopupWidget(std::function<void()> onCloseBox)
      : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                             Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
        onCloseBox_(std::move(onCloseBox)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
  }

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    onCloseBox_();
  }

 private:
  std::function<void()> onCloseBox_;
};

// Window managers pull a window that is mapped off the screen back onto it, so
// a popup placed wholly outside the screens is kept unmapped while it counts as
// visible; it is mapped as soon as a placement brings it into sight.
//
// The page view is given back once the popup has been hidden for the release
// delay, whatever its page is doing. When the popup is shown again before
// another navigation (View), the helper starts again on the last address. To
// the logic the popup never lost its page, so that reload is no document
// completion: it never reaches the document-complete handler and never arms
// the auto-close timer.
//
// When the page view cannot show the page, the popup says so in a line of its
// own and still comes into view, as it would with an error page.
class QtPopupWindow final : public platform::PopupWindow {
 public:
  QtPopupWindow(platform::Desktop& desktop, const platform::PopupSpec& design, QtPopupTiming timing,
                QString pageViewProgram)
      : desktop_(desktop),
        widget_([this] { Hide(); }),
        troubleLine_(&widget_),
        position_(design.initialPosition.x, design.initialPosition.y),
        viewBounds_(design.viewBounds.left, design.viewBounds.top, design.viewBounds.width,
                    design.viewBounds.height),
        timing_(timing),
        pageViewProgram_(pageViewProgram.isEmpty() ? PageViewProgramPath() : std::move(pageViewProgram)) {
    widget_.setWindowTitle(QString::fromUtf8(design.caption.data(), qsizetype(design.caption.size())));
    widget_.setWindowIcon(ProgramIcon());
    widget_.setFixedSize(design.clientSize.width, design.clientSize.height);
    troubleLine_.setGeometry(widget_.rect().marginsRemoved(QMargins(10, 10, 10, 10)));
    troubleLine_.setWordWrap(true);
    troubleLine_.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    troubleLine_.setTextFormat(Qt::PlainText);
    troubleLine_.hide();
    lastOwnMove_.start();
    RequestFrameExtents(widget_);  // known before the first show, where the WM supports it
    releaseTimer_.setSingleShot(true);
    QObject::connect(&releaseTimer_, &QTimer::timeout, [this] {
      if (!shown_ && pageView_) pageView_->Release();
    });
  }

  ~QtPopupWindow() override {
    // Out of sight at once; the helper's view lives inside our window, so the
    // helper goes next, before the window.
    widget_.hide();
    FlushX11();
    pageView_.reset();
  }

  void SetLeft(int left) override { MoveTo({left, Position().y}); }
  void SetTop(int top) override { MoveTo({Position().x, top}); }

  platform::Point Position() const override {
    if (Mapped() && lastOwnMove_.hasExpired(kSettledMoveMs)) {
      const QPoint actual = widget_.geometry().topLeft() - QPoint(Frame().left(), Frame().top());
      return {actual.x(), actual.y()};
    }
    return {position_.x(), position_.y()};
  }

  platform::Size OuterSize() const override {
    const QMargins margins = Frame();
    return {widget_.width() + margins.left() + margins.right(),
            widget_.height() + margins.top() + margins.bottom()};
  }

  void Show() override {
    shown_ = true;
    releaseTimer_.stop();
    if (pageView_) pageView_->SetShown(true);
    UpdateMapping();
    if (Mapped()) widget_.raise();
  }

  void Hide() override {
    const platform::Point last = Position();
    position_ = {last.x, last.y};
    shown_ = false;
    UpdateMapping();
    if (pageView_) {
      pageView_->SetShown(false);
      releaseTimer_.start(timing_.releaseDelay);
    }
  }

  bool IsVisible() const override { return shown_; }

  void Navigate(const std::u16string& address) override {
    const QUrl url(QString::fromStdU16String(address));
    if (!url.isValid()) throw Error("The page view refused the address: " + url.errorString().toStdString());
    if (!pageView_) CreatePageView();
    awaitingPage_ = true;
    pageView_->Navigate(url);
  }

  void PreparePageView() override {
    if (!pageView_) CreatePageView();
    // Given back like any other if no page follows.
    if (!shown_) releaseTimer_.start(timing_.releaseDelay);
    pageView_->Prepare();
  }

  void OnDocumentComplete(std::function<void()> handler) override { documentComplete_ = std::move(handler); }
  void OnPageViewTrouble(std::function<void(const std::string&)> handler) override {
    pageViewTrouble_ = std::move(handler);
  }

 private:
  bool Mapped() const { return widget_.isVisible(); }

  void CreatePageView() {
    pageView_ = std::make_unique<PageViewClient>(static_cast<quintptr>(widget_.winId()), viewBounds_,
                                                 pageViewProgram_, timing_.pageView);
    QObject::connect(pageView_.get(), &PageViewClient::LoadFinished, [this](bool) {
      awaitingPage_ = false;
      SetTrouble({});
      CallHandler(desktop_, documentComplete_);
    });
    // Reported from the event loop, not from inside the client's own handling,
    // and so after the show that follows a navigation.
    QObject::connect(
        pageView_.get(), &PageViewClient::Failed, &widget_,
        [this](const QString& reason) {
          SetTrouble(reason);
          // The line takes the page's place: the popup comes into view with it.
          if (std::exchange(awaitingPage_, false)) CallHandler(desktop_, documentComplete_);
        },
        Qt::QueuedConnection);
    QObject::connect(pageView_.get(), &PageViewClient::OpenRequested, [this](const QUrl& address) {
      desktop_.ShellOpen(address.toString(QUrl::FullyEncoded).toStdString());
    });
  }

  void SetTrouble(const QString& reason) {
    if (reason == trouble_) return;
    trouble_ = reason;
    troubleLine_.setText(QString::fromUtf8("无法显示任务页：") + reason);
    troubleLine_.setVisible(!reason.isEmpty());
    if (pageViewTrouble_) CallHandler(desktop_, [&] { pageViewTrouble_(reason.toStdString()); });
  }

  void MoveTo(platform::Point where) {
    position_ = {where.x, where.y};
    lastOwnMove_.start();
    if (Mapped()) PlaceClientArea();
    UpdateMapping();
  }

  // The client area goes where the frame leaves it, so the window manager
  // (which keeps the client area in place) puts the frame's corner at position_.
  void PlaceClientArea() {
    placedWith_ = Frame();
    widget_.setGeometry(QRect(position_ + QPoint(placedWith_.left(), placedWith_.top()), widget_.size()));
  }

  // A window manager that is slow to tell the frame lets the first placement
  // use a guess; once the real frame is known, the frame's corner goes where
  // it was asked to be.
  void SettlePlacement(int triesLeft) {
    QTimer::singleShot(kFrameCheckMs, &widget_, [this, triesLeft] {
      if (!Mapped()) return;
      if (Frame() != placedWith_) {
        PlaceClientArea();
      } else if (triesLeft > 0) {
        SettlePlacement(triesLeft - 1);
      }
    });
  }

  // On some screen, not merely inside the box around all screens: with screens
  // of unequal heights that box has corners no screen shows.
  bool InSight() const {
    const platform::Size size = OuterSize();
    const QRect outer(position_, QSize(size.width, size.height));
    for (const QScreen* screen : QGuiApplication::screens()) {
      if (screen->geometry().intersects(outer)) return true;
    }
    return false;
  }

  void UpdateMapping() {
    const bool wanted = shown_ && InSight();
    if (wanted && !Mapped()) {
      KeepOffTaskbar(widget_);  // the window manager forgets it at every unmap
      PlaceClientArea();
      widget_.showNormal();
      SettlePlacement(kFrameChecks);
    } else if (!wanted && Mapped()) {
      widget_.hide();
    }
  }

  // The window's own frame once the window manager has told it; before that,
  // the frame of another framed window of the program as the best guess.
  QMargins Frame() const {
    if (const auto own = FrameExtents(widget_); own && !own->isNull()) {
      knownFrame_ = *own;
      return *own;
    }
    if (!knownFrame_.isNull()) return knownFrame_;
    for (const QWidget* other : QApplication::topLevelWidgets()) {
      if (other == &widget_ || !other->isVisible()) continue;
      if (const auto margins = FrameExtents(*other); margins && !margins->isNull()) return *margins;
    }
    return {};
  }

  platform::Desktop& desktop_;
  PopupWidget widget_;
  QLabel troubleLine_;  // why the page cannot be shown, in its place
  QString trouble_;
  QPoint position_;  // frame corner; the truth while unmapped or just moved
  QRect viewBounds_;
  QtPopupTiming timing_;
  QString pageViewProgram_;
  QTimer releaseTimer_;
  bool shown_ = false;
  bool awaitingPage_ = false;  // a navigation's page has not loaded yet
  QElapsedTimer lastOwnMove_;
  mutable QMargins knownFrame_;
  QMargins placedWith_;  // the frame the last placement allowed for
  std::unique_ptr<PageViewClient> pageView_;
  std::function<void()> documentComplete_;
  std::function<void(const std::string&)> pageViewTrouble_;
};

}  // namespace

std::unique_ptr<platform::PopupWindow> CreateQtPopupWindow(platform::Desktop& desktop,
                                                           const platform::PopupSpec& design,
                                                           QtPopupTiming timing, QString pageViewProgram) {
  return std::make_unique<QtPopupWindow>(desktop, design, timing, std::move(pageViewProgram));
}

}  // namespace zelmora::platform::qt
