// Paint boxes as assistive technology sees them. A painted area has no child
// widgets, so its markers and cells would be invisible to a screen reader:
// the box's interface lists them as children made from the box's parts.

#include <QAccessibleWidget>
#include <QPointer>
#include <optional>

#include "ui/paint_box.h"

namespace tintloom {

namespace {

class TPaintBoxPartAccessible final : public QAccessibleInterface {
 public:
  TPaintBoxPartAccessible(TPaintBox* box, int index) : box_(box), index_(index) {}

  bool isValid() const override { return box_ != nullptr && Part().has_value(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return box_ != nullptr ? box_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(box_.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override {
    const std::optional<TPaintBoxPart> part = Part();
    if (!part) return {};
    if (t == QAccessible::Name) return part->name;
    // The value as description too: AT-SPI passes a list item's description
    // on, not its value text.
    if (t == QAccessible::Value || t == QAccessible::Description) return part->value;
    return {};
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    const std::optional<TPaintBoxPart> part = Part();
    if (!part || box_ == nullptr) return {};
    return QRect(box_->mapToGlobal(part->rect.topLeft()), part->rect.size());
  }
  QAccessible::Role role() const override { return box_ != nullptr ? box_->partRole : QAccessible::NoRole; }
  QAccessible::State state() const override {
    QAccessible::State state;
    const std::optional<TPaintBoxPart> part = Part();
    if (!part || box_ == nullptr || !box_->isVisible()) {
      state.invisible = true;
      return state;
    }
    state.selectable = true;
    state.selected = part->selected;
    return state;
  }

 private:
  std::optional<TPaintBoxPart> Part() const {
    if (box_ == nullptr || !box_->onParts) return std::nullopt;
    std::vector<TPaintBoxPart> parts = box_->onParts();
    if (index_ < 0 || static_cast<std::size_t>(index_) >= parts.size()) return std::nullopt;
    return std::move(parts[static_cast<std::size_t>(index_)]);
  }

  QPointer<TPaintBox> box_;
  int index_;
};

class TPaintBoxAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit TPaintBoxAccessible(TPaintBox* box) : QAccessibleWidget(box, box->accessibleRole) {}
  ~TPaintBoxAccessible() override {
    // The parts live as long as their box's interface.
    for (const QAccessible::Id id : partIds_) QAccessible::deleteAccessibleInterface(id);
  }

  int childCount() const override { return static_cast<int>(Parts().size()); }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    while (partIds_.size() <= static_cast<std::size_t>(index)) {
      auto* part = new TPaintBoxPartAccessible(Box(), static_cast<int>(partIds_.size()));
      partIds_.push_back(QAccessible::registerAccessibleInterface(part));
    }
    return QAccessible::accessibleInterface(partIds_[static_cast<std::size_t>(index)]);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (std::size_t i = 0; i < partIds_.size(); ++i) {
      if (QAccessible::accessibleInterface(partIds_[i]) == child) return static_cast<int>(i) < childCount() ? static_cast<int>(i) : -1;
    }
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QPoint local = Box()->mapFromGlobal(QPoint(x, y));
    const std::vector<TPaintBoxPart> parts = Parts();
    for (std::size_t i = 0; i < parts.size(); ++i) {
      if (parts[i].rect.contains(local)) return child(static_cast<int>(i));
    }
    return nullptr;
  }
  // Read each time: the owner may set the role after the interface was made.
  QAccessible::Role role() const override { return Box()->accessibleRole; }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value && Box()->onValue) return QString::number(Box()->onValue());
    return QAccessibleWidget::text(t);
  }
  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::ValueInterface && Box()->onValue) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }

  // A slider's value, read only: the keys and the pointer set it.
  QVariant currentValue() const override { return Box()->onValue ? Box()->onValue() : 0.0; }
  void setCurrentValue(const QVariant&) override {}
  QVariant maximumValue() const override { return Box()->valueMaximum; }
  QVariant minimumValue() const override { return 0.0; }
  QVariant minimumStepSize() const override { return 1.0; }

 private:
  TPaintBox* Box() const { return static_cast<TPaintBox*>(widget()); }
  std::vector<TPaintBoxPart> Parts() const { return Box()->onParts ? Box()->onParts() : std::vector<TPaintBoxPart>{}; }

  mutable std::vector<QAccessible::Id> partIds_;
};

QAccessibleInterface* PaintBoxInterface(const QString& className, QObject* object) {
  if (className != QLatin1String(TPaintBox::staticMetaObject.className())) return nullptr;
  auto* box = qobject_cast<TPaintBox*>(object);
  return box != nullptr ? new TPaintBoxAccessible(box) : nullptr;
}

}  // namespace

void InstallPaintBoxAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(PaintBoxInterface);
    return true;
  }();
  (void)installed;
}

}  // namespace tintloom
