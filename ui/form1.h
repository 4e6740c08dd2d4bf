#pragma once

#include "buttoncode.h"
#include "form.h"
#include "skin.h"

#include <QLabel>
#include <QLineEdit>
#include <array>
#include <memory>

class QMenuBar;
class QScrollArea;

namespace Ui {
class Form1;
}

namespace quorvane {

class PictureBox;

// The main window: the seller's entries, the picture choice and the four commands.
class Form1 : public quorvane::Form
{
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // The entries as they stand, for the generator and the payment link.
    ButtonRequest buttonRequest() const;
    // Shows a request in the form, every entry and choice of it.
    void setEntries(const ButtonRequest& request);
    // Brings the window to the front with the cursor in the entry to fix.
    void focusEntry(Entry entry);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void Image1_Click();
    void Image2_Click();
    void Image3_Click();
    void Image4_Click();
    void Image5_Click();
    void Image6_Click();
    void Image7_Click();
    void Image8_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

    void makeMenus();
    // The real menu bar, made if only its stand-in was.
    QMenuBar* menuBar();
    void makeScroller();
    QSize naturalSize() const;
    QMargins knownFrameMargins() const;
    void fitToScreen(const QMargins& frame);
    void checkFrameFits();
    void showWhatToFix(const ButtonCodeResult& result);
    QLineEdit* entryBox(Entry entry) const;
    void choosePicture(int k);
    int chosenPicture() const;
    std::array<QLabel*, 8> images() const;
    // The box that frames Image k.
    PictureBox* pictureBox(int k) const;
    static std::array<void (Form1::*)(), 8> imageClicks();

    std::unique_ptr<Ui::Form1> m_ui;
    quorvane::Skin Skin1;
    bool ImageChosen1 = false;
    bool ImageChosen2 = false;
    bool ImageChosen3 = false;
    bool ImageChosen4 = false;
    bool ImageChosen5 = false;
    bool ImageChosen6 = false;
    bool ImageChosen7 = false;
    bool ImageChosen8 = false;
    QMenuBar* m_menuBar = nullptr;
    QScrollArea* m_scroller = nullptr;
    bool m_placed = false;
    bool m_frameKnown = false;
};

} // namespace quorvane
