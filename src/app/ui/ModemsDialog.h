#pragma once
// The modems dialog (the configuration's list of Hayes modems: New, Edit, Delete, Duplicate) and
// the modem properties dialog (the eight commands and responses). Links refer to a modem by id, so
// renaming or editing one keeps its links; a modem an open link uses cannot be deleted. Window
// thread only.

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace talven {

class CModemSettings;
class CNetworkConfiguration;

class CModemPropertiesDialog {
  public:
    static constexpr std::size_t kFieldCount = 8;
    static constexpr int kMaxLength = 40;

    explicit CModemPropertiesDialog(CModemSettings& modem);
    /// The field labels, in the order of texts.
    static std::array<std::string, kFieldCount> Labels();
    /// Name, dial prefix, escape, hang-up, initialisation, reset, OK response, connect response.
    std::array<std::string, kFieldCount> texts;
    /// OK: every field must hold text ("Please supply a string for every command and response.";
    /// FailedField() names the first empty one). Stores all eight. True when the dialog may close.
    bool Apply();
    int FailedField() const { return failedField_; }
    bool Changed() const { return changed_; }

  private:
    CModemSettings& modem_;
    int failedField_ = -1;
    bool changed_ = false;
};

class CModemsDialog {
  public:
    /// Edits a modem in the modem properties dialog; true when the user pressed OK.
    using Editor = std::function<bool(CModemSettings&)>;

    CModemsDialog(CNetworkConfiguration& configuration, Editor editor);

    /// Each modem's name, followed by " (In use)" while an open link uses it.
    std::vector<std::string> Entries() const;
    /// The selected entry, -1 for none.
    int GetSelected() const { return selected_; }
    void Select(int index);
    bool HasSelection() const;
    /// Whether Delete would remove the selected modem (none of its links is open).
    bool CanDelete() const;

    /// A modem with the defaults, appended on OK and selected.
    bool New();
    bool Edit();
    /// Refused for a modem in use; asks first when the confirm-deletions option says so.
    bool Delete();
    /// A copy named "Copy of " and the name, with a fresh id, appended and selected.
    bool Duplicate();

    /// Whether to ask before deleting (the confirm-deletions option). On by default.
    void SetConfirmDeletes(bool confirm) { confirmDeletes_ = confirm; }

  private:
    CModemSettings* SelectedModem() const;

    CNetworkConfiguration& configuration_;
    Editor editor_;
    int selected_ = -1;
    bool confirmDeletes_ = true;
};

}  // namespace talven
