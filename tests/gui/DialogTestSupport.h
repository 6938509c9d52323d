#pragma once
// Driving the dialogs as a user does: typing into named fields, ticking boxes, choosing list
// entries, and answering a modal dialog that a button opens.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace talven::gui::test {

template <class W>
W* Child(QWidget& parent, const char* name) {
    W* widget = parent.findChild<W*>(name);
    EXPECT_NE(widget, nullptr) << "no " << name;
    return widget;
}

/// Replaces a field's text by typing, as the user would.
inline void Type(QWidget& parent, const char* name, const QString& text) {
    QLineEdit* edit = Child<QLineEdit>(parent, name);
    if (edit == nullptr)
        return;
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

inline void Tick(QWidget& parent, const char* name, bool on) {
    if (QCheckBox* box = Child<QCheckBox>(parent, name); box != nullptr && box->isChecked() != on)
        box->click();
}

/// Chooses the entry as a click in the list would (the activated signal included).
inline void Choose(QWidget& parent, const char* name, int index) {
    if (QComboBox* box = Child<QComboBox>(parent, name)) {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
}

/// Runs answer on the modal dialog that the next step opens, once it is up.
inline void WhenModal(std::function<void(QDialog&)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        answer(*dialog);
    });
}

/// Shows the dialog laid out at its natural size, ready to be grabbed.
inline void ShowLaidOut(QWidget& dialog) {
    dialog.show();
    dialog.adjustSize();
    QApplication::processEvents();
}

}  // namespace talven::gui::test
