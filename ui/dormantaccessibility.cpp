#include "dormantaccessibility.h"

#include <QAccessibleInterface>
#include <QRect>
#include <QSet>

namespace quorvane {

namespace {

bool asleep = false;

class StandIn;

// Every stand-in alive. Qt's cache may delete the last ones while the program's
// static objects are being destroyed, so the set never is.
QSet<StandIn*>& standIns()
{
    static auto* all = new QSet<StandIn*>;
    return *all;
}

// Answers nothing: an invalid interface, which Qt's accessibility events skip.
class StandIn final : public QAccessibleInterface
{
public:
    explicit StandIn(QObject* object) : m_object(object) { standIns().insert(this); }
    ~StandIn() override { standIns().remove(this); }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    bool isValid() const override { return false; }
    QObject* object() const override { return m_object; }
    QWindow* window() const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return nullptr; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text) const override { return QString(); }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override { return QRect(); }
    QAccessible::Role role() const override { return QAccessible::NoRole; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invalid = true;
        return state;
    }

private:
    QObject* m_object;
};

QAccessibleInterface* standInFor(const QString&, QObject* object)
{
    return asleep && object->isWidgetType() ? new StandIn(object) : nullptr;
}

} // namespace

DormantAccessibility::DormantAccessibility()
{
    asleep = !QAccessible::isActive();
    QAccessible::installFactory(standInFor);
    QAccessible::installActivationObserver(this);
}

DormantAccessibility::~DormantAccessibility()
{
    QAccessible::removeActivationObserver(this);
    QAccessible::removeFactory(standInFor);
    asleep = false;
}

bool DormantAccessibility::sleeping()
{
    return asleep;
}

void DormantAccessibility::accessibilityActiveChanged(bool active)
{
    asleep = !active;
    if (active) {
        const QList<StandIn*> dropped = standIns().values();
        for (StandIn* standIn : dropped) {
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(standIn));
        }
    }
}

} // namespace quorvane
