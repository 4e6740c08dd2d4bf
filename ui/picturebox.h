#pragma once

#include <QFrame>

class QLabel;

namespace quorvane {

// A box that frames one preset picture and lets the keyboard choose it: Space or
// Enter while it has the focus counts as a click, the arrow keys move the focus to
// the previous or next box of its container in reading order, and the focus shows
// as a second line inside the frame. The chosen picture has a black one-pixel
// border, one pixel inside the frame so that the focus line never covers it.
// Assistive technology sees the box as a radio button named by its picture.
class PictureBox : public QFrame
{
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Shows the picture, unscaled, in the box's image: the label the box holds.
    void setPicture(const QPixmap& picture);

    bool isChosen() const { return m_chosen; }
    void setChosen(bool chosen);

    // Chooses the picture as a click on it does.
    void click();

signals:
    void clicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* image() const;
    void showBorder();
    void focusNeighbour(int step);

    bool m_chosen = false;
};

} // namespace quorvane
