// Notices for assistive technology. Qt meets a label as static text, which screen readers read only
// when asked; a notice is an alert instead (role and name), made for labels marked by their object
// name by a factory installed once, before the first notice. Everything runs on the user-interface
// thread.
#include "platform/qt/accessible_notice.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>

namespace vt {

namespace {

const char* const kNoticeObjectName = "vellumtide-notice";  // marks a label as a notice

class AccessibleNotice : public QAccessibleWidget {
 public:
  explicit AccessibleNotice(QLabel* label) : QAccessibleWidget(label, QAccessible::AlertMessage) {}
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name || t == QAccessible::Value) return static_cast<QLabel*>(widget())->text();
    return QAccessibleWidget::text(t);
  }
};

QAccessibleInterface* NoticeFactory(const QString&, QObject* object) {
  auto* label = qobject_cast<QLabel*>(object);
  if (!label || label->objectName() != QLatin1String(kNoticeObjectName)) return nullptr;
  return new AccessibleNotice(label);
}

}  // namespace

void MarkAsNotice(QLabel* label) {
  static bool factoryInstalled = false;
  if (!factoryInstalled) {
    QAccessible::installFactory(NoticeFactory);
    factoryInstalled = true;
  }
  label->setObjectName(kNoticeObjectName);
}

void AnnounceNotice(QLabel* notice) {
  if (!QAccessible::isActive()) return;
  QAccessibleEvent shown(notice, QAccessible::Alert);
  QAccessible::updateAccessibility(&shown);
  QAccessibleEvent named(notice, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&named);
}

}  // namespace vt
