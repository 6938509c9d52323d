#include "gui/QtPlatform.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStringList>

namespace talven::gui {

namespace {
QtNotifier* g_notifier = nullptr;
}

QString ToQt(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromQt(const QString& text) {
    return text.toUtf8().toStdString();
}

QtNotifier::QtNotifier() {
    g_notifier = this;
}

QtNotifier::~QtNotifier() {
    if (g_notifier == this)
        g_notifier = nullptr;
}

QtNotifier* GetQtNotifier() {
    return g_notifier;
}

NotifyTarget QtNotifier::Register(NotificationSink* sink) {
    std::lock_guard lock(mutex_);
    const NotifyTarget target = next_++;
    sinks_[target] = sink;
    return target;
}

void QtNotifier::Unregister(NotifyTarget target) {
    std::lock_guard lock(mutex_);
    sinks_.erase(target);
}

void QtNotifier::Post(NotifyTarget target, int code, std::uintptr_t wParam, std::intptr_t lParam) {
    if (target == 0)
        return;
    QMetaObject::invokeMethod(
        this, [this, target, code, wParam, lParam] { Deliver(target, code, wParam, lParam); },
        Qt::QueuedConnection);
}

void QtNotifier::Deliver(NotifyTarget target, int code, std::uintptr_t wParam, std::intptr_t lParam) {
    NotificationSink* sink = nullptr;
    {
        std::lock_guard lock(mutex_);
        auto it = sinks_.find(target);
        if (it != sinks_.end())
            sink = it->second;
    }
    // Only the window thread registers and unregisters, and this runs on it: the sink found is alive.
    if (sink)
        sink->OnNotification(code, wParam, lParam);
}

void QtNotifier::DeliverPending() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

int QtUserPrompt::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    QMessageBox box(QApplication::activeWindow());
    box.setText(ToQt(text));
    box.setWindowTitle(ToQt(caption.empty() ? std::string("TALVEN") : caption));
    switch (flags & 0xF0u) {
    case mb::kIconError: box.setIcon(QMessageBox::Critical); break;
    case mb::kIconQuestion: box.setIcon(QMessageBox::Question); break;
    case mb::kIconWarning: box.setIcon(QMessageBox::Warning); break;
    case mb::kIconInformation: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    struct Button {
        QMessageBox::StandardButton qt;
        int answer;
    };
    std::vector<Button> buttons;
    switch (flags & 0xFu) {
    case mb::kOkCancel: buttons = {{QMessageBox::Ok, mb::kIdOk}, {QMessageBox::Cancel, mb::kIdCancel}}; break;
    case mb::kYesNoCancel:
        buttons = {{QMessageBox::Yes, mb::kIdYes}, {QMessageBox::No, mb::kIdNo}, {QMessageBox::Cancel, mb::kIdCancel}};
        break;
    case mb::kYesNo: buttons = {{QMessageBox::Yes, mb::kIdYes}, {QMessageBox::No, mb::kIdNo}}; break;
    default: buttons = {{QMessageBox::Ok, mb::kIdOk}}; break;
    }
    QMessageBox::StandardButtons all;
    for (const Button& b : buttons)
        all |= b.qt;
    box.setStandardButtons(all);
    std::size_t defaultIndex = 0;
    if (flags & mb::kDefaultButton3)
        defaultIndex = 2;
    else if (flags & mb::kDefaultButton2)
        defaultIndex = 1;
    if (defaultIndex < buttons.size())
        box.setDefaultButton(buttons[defaultIndex].qt);
    // Escape answers Cancel where there is one, otherwise No for a Yes/No question, otherwise OK.
    const int clicked = box.exec();
    for (const Button& b : buttons)
        if (clicked == b.qt)
            return b.answer;
    if ((flags & 0xFu) == mb::kYesNo)
        return mb::kIdNo;
    return (flags & 0xFu) == mb::kOk ? mb::kIdOk : mb::kIdCancel;
}

std::string QtFileFilter(const std::string& filter) {
    // Pairs of description and pattern, separated by '|', ended by "||".
    QStringList parts = ToQt(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        if (description.isEmpty())
            break;
        description.replace("*.*", "*");
        out << description;
    }
    return FromQt(out.join(";;"));
}

namespace {
std::optional<std::string> RunFileDialog(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.filter.empty())
        dialog.setNameFilter(ToQt(QtFileFilter(request.filter)));
    if (!request.defaultExtension.empty())
        dialog.setDefaultSuffix(ToQt(request.defaultExtension));
    if (!request.initialName.empty())
        dialog.selectFile(ToQt(request.initialName));
    if (!request.promptOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return FromQt(dialog.selectedFiles().front());
}
}  // namespace

std::optional<std::string> QtUserPrompt::OpenFile(const FileDialogRequest& request) {
    return RunFileDialog(request, false);
}

std::optional<std::string> QtUserPrompt::SaveFile(const FileDialogRequest& request) {
    return RunFileDialog(request, true);
}

std::optional<std::vector<std::uint8_t>> QtSettingsStore::Read(const std::string& section, const std::string& key) {
    QSettings settings("OrvaneVamir", "TALVEN");
    const QVariant value = settings.value(ToQt(section + "/" + key));
    if (!value.isValid())
        return std::nullopt;
    const QByteArray bytes = value.toByteArray();
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

bool QtSettingsStore::Write(const std::string& section, const std::string& key,
                            const std::vector<std::uint8_t>& value) {
    QSettings settings("OrvaneVamir", "TALVEN");
    settings.setValue(ToQt(section + "/" + key),
                      QByteArray(reinterpret_cast<const char*>(value.data()), static_cast<qsizetype>(value.size())));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace talven::gui
