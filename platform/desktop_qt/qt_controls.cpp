#include "platform/desktop_qt/qt_controls.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>

#include "platform/desktop_qt/handler_call.h"

namespace zelmora::platform::qt {
namespace {

using platform::ControlKind;

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* MakeLabel(QLabel* label, std::string_view caption) {
  // Texts from the task server end up in labels: never interpret them as markup.
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setText(ToQString(caption));
  return label;
}

QWidget* CreateWidget(QWidget& form, const platform::ControlSpec& design) {
  const QString caption = ToQString(design.caption);
  switch (design.kind) {
    case ControlKind::GroupBox: return new QGroupBox(caption, &form);
    case ControlKind::Edit: return new QLineEdit(caption, &form);
    case ControlKind::Label: return MakeLabel(new QLabel(&form), design.caption);
    case ControlKind::WrappedLabel: {
      QLabel* label = MakeLabel(new QLabel(&form), design.caption);
      label->setWordWrap(true);
      return label;
    }
    case ControlKind::CheckBox: {
      auto* box = new QCheckBox(caption, &form);
      box->setChecked(design.checked);
      return box;
    }
    case ControlKind::Button: return new QPushButton(caption, &form);
    case ControlKind::Link: {
      QLabel* link = MakeLabel(new ClickableLabel(&form), design.caption);
      QPalette palette = link->palette();
      palette.setColor(QPalette::WindowText, Qt::blue);
      link->setPalette(palette);
      link->setCursor(Qt::PointingHandCursor);
      return link;
    }
  }
  return new QWidget(&form);
}

}  // namespace

void ClickableLabel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  QLabel::mousePressEvent(event);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  QLabel::mouseReleaseEvent(event);
  if (click && onClicked) onClicked();
}

QtControl::QtControl(platform::Desktop& desktop, QWidget& form, const platform::ControlSpec& design)
    : kind_(design.kind), widget_(CreateWidget(form, design)) {
  widget_->setObjectName(ToQString(design.name));
  widget_->setGeometry(design.bounds.left, design.bounds.top, design.bounds.width, design.bounds.height);
  FitToText();
  const auto activate = [this, &desktop] { CallHandler(desktop, onActivated_); };
  // `clicked` comes from the user (mouse or keyboard) only, never from setChecked.
  if (auto* button = qobject_cast<QAbstractButton*>(widget_)) {
    QObject::connect(button, &QAbstractButton::clicked, widget_, activate);
  } else if (auto* link = dynamic_cast<ClickableLabel*>(widget_)) {
    link->onClicked = activate;
  }
}

std::string QtControl::Text() const {
  QString text;
  if (auto* edit = qobject_cast<QLineEdit*>(widget_))
    text = edit->text();
  else if (auto* label = qobject_cast<QLabel*>(widget_))
    text = label->text();
  else if (auto* button = qobject_cast<QAbstractButton*>(widget_))
    text = button->text();
  else if (auto* group = qobject_cast<QGroupBox*>(widget_))
    text = group->title();
  return text.toStdString();
}

void QtControl::SetText(const std::string& text) {
  const QString value = QString::fromStdString(text);
  if (auto* edit = qobject_cast<QLineEdit*>(widget_))
    edit->setText(value);
  else if (auto* label = qobject_cast<QLabel*>(widget_))
    label->setText(value);
  else if (auto* button = qobject_cast<QAbstractButton*>(widget_))
    button->setText(value);
  else if (auto* group = qobject_cast<QGroupBox*>(widget_))
    group->setTitle(value);
  FitToText();
}

bool QtControl::Checked() const {
  auto* button = qobject_cast<QAbstractButton*>(widget_);
  return button && button->isCheckable() && button->isChecked();
}

void QtControl::SetChecked(bool checked) {
  if (auto* button = qobject_cast<QAbstractButton*>(widget_)) button->setChecked(checked);
}

bool QtControl::Enabled() const { return widget_->isEnabled(); }

void QtControl::SetEnabled(bool enabled) { widget_->setEnabled(enabled); }

void QtControl::OnActivated(std::function<void()> handler) { onActivated_ = std::move(handler); }

void QtControl::FitToText() {
  // Plain labels and links grow (and shrink) with their text from their top-left corner.
  if (kind_ == ControlKind::Label || kind_ == ControlKind::Link) widget_->resize(widget_->sizeHint());
}

}  // namespace zelmora::platform::qt
