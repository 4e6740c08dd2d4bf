#pragma once

#include <QFrame>

namespace quorvane {

// A box that frames one preset picture and lets the keyboard choose it: Space or
// Enter while it has the focus counts as a click, and the focus shows as a ring.
// Assistive technology sees it as a radio button named by its picture.
class PictureBox : public QFrame
{
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    bool isChosen() const { return m_chosen; }
    void setChosen(bool chosen);

    // Chooses the picture as a click on it does.
    void click();

signals:
    void clicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    QWidget* m_ring;
    bool m_chosen = false;
};

} // namespace quorvane
