#include "app/ui/ModemsDialog.h"

#include "app/ui/FieldChecks.h"
#include "foundation/DataLock.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"
#include "network/NetworkConfiguration.h"
#include "transport/ModemSettings.h"

namespace talven {

CModemPropertiesDialog::CModemPropertiesDialog(CModemSettings& modem) : modem_(modem) {
    texts = {modem.GetName(),       modem.GetDialPrefix(),     modem.GetEscape(),
             modem.GetHangUp(),     modem.GetInitialization(), modem.GetReset(),
             modem.GetOkResponse(), modem.GetConnectResponse()};
}

std::array<std::string, CModemPropertiesDialog::kFieldCount> CModemPropertiesDialog::Labels() {
    return {
        "&Name",          "&Dial prefix", "&Escape sequence", "&Hang-up command", "&Initialization command",
        "&Reset command", "&OK response", "&Connect response"};
}

bool CModemPropertiesDialog::Apply() {
    failedField_ = -1;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (texts[i].empty()) {
            failedField_ = static_cast<int>(i);
            ShowInputError(FormatMessage(msg::kModemStringsRequired));
            return false;
        }
    }
    DataGuard guard;
    const std::array<std::string, kFieldCount> before = CModemPropertiesDialog(modem_).texts;
    changed_ = before != texts;
    modem_.SetName(texts[0]);
    modem_.SetDialPrefix(texts[1]);
    modem_.SetEscape(texts[2]);
    modem_.SetHangUp(texts[3]);
    modem_.SetInitialization(texts[4]);
    modem_.SetReset(texts[5]);
    modem_.SetOkResponse(texts[6]);
    modem_.SetConnectResponse(texts[7]);
    return true;
}

CModemsDialog::CModemsDialog(CNetworkConfiguration& configuration, Editor editor)
    : configuration_(configuration), editor_(std::move(editor)) {
    if (!Entries().empty())
        selected_ = 0;
}

std::vector<std::string> CModemsDialog::Entries() const {
    std::vector<std::string> entries;
    DataGuard guard;
    for (const auto& item : configuration_.Modems()) {
        const auto* modem = static_cast<const CModemSettings*>(item.get());
        std::string text = modem->GetName();
        if (modem->GetInUseCount() > 0)
            text += MessageText(msg::kInUseSuffix);
        entries.push_back(std::move(text));
    }
    return entries;
}

void CModemsDialog::Select(int index) {
    DataGuard guard;
    const int count = static_cast<int>(configuration_.Modems().size());
    selected_ = (index >= 0 && index < count) ? index : -1;
}

CModemSettings* CModemsDialog::SelectedModem() const {
    DataGuard guard;
    const CNamedObjectList& modems = configuration_.Modems();
    if (selected_ < 0 || selected_ >= static_cast<int>(modems.size()))
        return nullptr;
    return static_cast<CModemSettings*>(modems.at(static_cast<std::size_t>(selected_)));
}

bool CModemsDialog::HasSelection() const {
    return SelectedModem() != nullptr;
}

bool CModemsDialog::CanDelete() const {
    const CModemSettings* modem = SelectedModem();
    return modem != nullptr && modem->GetInUseCount() == 0;
}

bool CModemsDialog::New() {
    auto modem = std::make_unique<CModemSettings>();
    if (!editor_ || !editor_(*modem))
        return false;
    DataGuard guard;
    configuration_.Modems().Append(std::move(modem));
    configuration_.SetModified(true);
    selected_ = static_cast<int>(configuration_.Modems().size()) - 1;
    return true;
}

bool CModemsDialog::Edit() {
    CModemSettings* modem = SelectedModem();
    if (modem == nullptr || !editor_ || !editor_(*modem))
        return false;
    configuration_.SetModified(true);
    return true;
}

bool CModemsDialog::Delete() {
    CModemSettings* modem = SelectedModem();
    if (modem == nullptr || modem->GetInUseCount() > 0)
        return false;
    if (confirmDeletes_ &&
        GetUserPrompt().MessageBox(FormatMessage(msg::kDeleteQuestion, modem->GetName()),
                                   FormatMessage(msg::kCaptionConfirm),
                                   mb::kYesNo | mb::kIconQuestion | mb::kDefaultButton2) != mb::kIdYes) {
        return false;
    }
    std::unique_ptr<CNamedObject> removed;
    {
        DataGuard guard;
        // An open link may have started using the modem while the question was shown.
        if (modem->GetInUseCount() > 0)
            return false;
        removed = configuration_.Modems().Remove(modem);
        configuration_.SetModified(true);
        const int count = static_cast<int>(configuration_.Modems().size());
        if (selected_ >= count)
            selected_ = count - 1;
    }
    return removed != nullptr;
}

bool CModemsDialog::Duplicate() {
    CModemSettings* modem = SelectedModem();
    if (modem == nullptr)
        return false;
    std::unique_ptr<CNamedObject> copy = CNetworkConfiguration::MakeDuplicate(*modem);
    DataGuard guard;
    configuration_.Modems().Append(std::move(copy));
    configuration_.SetModified(true);
    selected_ = static_cast<int>(configuration_.Modems().size()) - 1;
    return true;
}

}  // namespace talven
