#include "entries.h"

#include "messagebox.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace quorvane::bench {

namespace {

constexpr const char* ItemName = "Handmade oak chopping board";
constexpr const char* ItemNumber = "OAK-4025";
constexpr const char* Amount = "34.95";
constexpr const char* ReturnUrl = "https://oakandember.example/thanks";
constexpr const char* Account = "sales@oakandember.example";
constexpr const char* CancelUrl = "https://oakandember.example/shop";
constexpr const char* NoImageUrl = "http://";

template <typename T> T* childOf(QWidget* window, const char* name)
{
    T* child = window->findChild<T*>(QString::fromLatin1(name));
    if (!child) {
        std::fprintf(stderr, "no control %s in %s\n", name, qPrintable(window->objectName()));
        std::abort();
    }
    return child;
}

} // namespace

void fillMainWindow(QWidget* mainWindow, const QString& noteTitle)
{
    childOf<QLineEdit>(mainWindow, "Text1")->setText(QString::fromLatin1(ItemName));
    childOf<QLineEdit>(mainWindow, "Text2")->setText(QString::fromLatin1(ItemNumber));
    childOf<QLineEdit>(mainWindow, "Text3")->setText(QString::fromLatin1(Amount));
    childOf<QLineEdit>(mainWindow, "Text4")->setText(QString::fromLatin1(ReturnUrl));
    childOf<QLineEdit>(mainWindow, "Text5")->setText(QString::fromLatin1(Account));
    childOf<QLineEdit>(mainWindow, "Text6")->setText(QString::fromLatin1(CancelUrl));
    childOf<QLineEdit>(mainWindow, "Text7")->setText(QString::fromLatin1(NoImageUrl));
    childOf<QLineEdit>(mainWindow, "Text8")->setText(noteTitle);
    for (const char* box : {"Check1", "Check2", "Check3"}) {
        childOf<QCheckBox>(mainWindow, box)->setCheckState(Qt::Unchecked);
    }
    childOf<QRadioButton>(mainWindow, "Option1")->setChecked(true);
}

ButtonRequest requestFor(std::string noteTitle)
{
    ButtonRequest r;
    r.ItemName = ItemName;
    r.ItemNumber = ItemNumber;
    r.Amount = Amount;
    r.ReturnUrl = ReturnUrl;
    r.Account = Account;
    r.CancelUrl = CancelUrl;
    r.OwnImageUrl = NoImageUrl;
    r.NoteTitle = std::move(noteTitle);
    r.UsePresetImage = true;
    r.ChosenImage = 1;
    return r;
}

QPushButton* buttonOf(QWidget* window, const char* name)
{
    return childOf<QPushButton>(window, name);
}

void failOnMessageBox()
{
    setMessageBoxHandler([](const QString& text, MessageStyle, const QString&) {
        std::fprintf(stderr, "unexpected message box: %s\n", qPrintable(text));
        std::exit(1);
    });
}

QWidget* topLevel(const char* name)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String(name) && window->isVisible()) {
            return window;
        }
    }
    std::fprintf(stderr, "no window %s is shown\n", name);
    std::abort();
}

std::string noteTitleOf(std::size_t bytes)
{
    constexpr std::string_view sample = "Handmade oak chopping board, 40 x 25 cm. ";
    std::string text;
    text.reserve(bytes);
    while (text.size() < bytes) {
        text += sample.substr(0, bytes - text.size());
    }
    return text;
}

} // namespace quorvane::bench
