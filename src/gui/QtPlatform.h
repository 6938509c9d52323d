#pragma once
// The program's interfaces on Qt: notifications become queued calls on the window thread, prompts
// become message boxes and file dialogs, the options value lives in the desktop's settings.

#include <QObject>

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "app/SettingsStore.h"
#include "foundation/Notifier.h"
#include "foundation/UserPrompt.h"

class QWidget;

namespace talven::gui {

/// A window (or presenter) that receives notifications on the window thread.
class NotificationSink {
  public:
    virtual ~NotificationSink() = default;
    virtual void OnNotification(int code, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

/// Hands each post to the sink registered under its target, on the window thread, in the order of
/// the posts. A post whose sink has gone (its window closed) is dropped. Create it on the window
/// thread after the QApplication.
class QtNotifier : public QObject, public Notifier {
    Q_OBJECT
  public:
    QtNotifier();
    ~QtNotifier() override;

    /// Registers a sink and returns the handle the core posts to (never 0).
    NotifyTarget Register(NotificationSink* sink);
    void Unregister(NotifyTarget target);

    void Post(NotifyTarget target, int code, std::uintptr_t wParam, std::intptr_t lParam) override;

    /// Runs the posts that are waiting (tests: the notifications of a finished request).
    static void DeliverPending();

  private:
    void Deliver(NotifyTarget target, int code, std::uintptr_t wParam, std::intptr_t lParam);

    std::mutex mutex_;
    std::map<NotifyTarget, NotificationSink*> sinks_;
    NotifyTarget next_ = 1;
};

/// Registers a sink for its own life. Members of windows hold one.
class NotificationRegistration {
  public:
    NotificationRegistration(QtNotifier& notifier, NotificationSink* sink)
        : notifier_(notifier), target_(notifier.Register(sink)) {}
    ~NotificationRegistration() { notifier_.Unregister(target_); }
    NotificationRegistration(const NotificationRegistration&) = delete;
    NotificationRegistration& operator=(const NotificationRegistration&) = delete;
    NotifyTarget target() const { return target_; }

  private:
    QtNotifier& notifier_;
    NotifyTarget target_;
};

/// The notifier the window program installed, or null (no window program running).
QtNotifier* GetQtNotifier();

/// Message boxes and file dialogs, parented to the active window.
class QtUserPrompt : public UserPrompt {
  public:
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    std::optional<std::string> OpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFile(const FileDialogRequest& request) override;
};

/// "Text files (*.txt)|*.txt|All Files (*.*)|*.*||" as Qt writes a filter list:
/// "Text files (*.txt);;All Files (*)".
std::string QtFileFilter(const std::string& filter);

/// The options value in QSettings (organisation "OrvaneVamir", application "TALVEN"), each value
/// under "section/key".
class QtSettingsStore : public SettingsStore {
  public:
    std::optional<std::vector<std::uint8_t>> Read(const std::string& section, const std::string& key) override;
    bool Write(const std::string& section, const std::string& key, const std::vector<std::uint8_t>& value) override;
};

/// Converts between the core's UTF-8 strings and Qt's.
QString ToQt(const std::string& text);
std::string FromQt(const QString& text);

}  // namespace talven::gui
