#pragma once
#include <QLabel>
#include <functional>
#include <memory>

#include "platform/desktop.h"

class QWidget;

namespace zelmora::platform::qt {

// Static text that reports a left click released over it, as link labels do.
class ClickableLabel final : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> onClicked;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
};

// One control of a form: a Qt widget of the design's kind, child of `form`, at
// the design's form coordinates. Its activation handler runs under the
// desktop's last-resort catch.
class QtControl final : public platform::Control {
 public:
  QtControl(platform::Desktop& desktop, QWidget& form, const platform::ControlSpec& design);

  std::string Text() const override;
  void SetText(const std::string& text) override;
  bool Checked() const override;
  void SetChecked(bool checked) override;
  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  void OnActivated(std::function<void()> handler) override;

  QWidget& Widget() const { return *widget_; }

 private:
  void FitToText();

  platform::ControlKind kind_;
  QWidget* widget_;  // owned by the form
  std::function<void()> onActivated_;
};

}  // namespace zelmora::platform::qt
