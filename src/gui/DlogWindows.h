#pragma once
// The DLOG windows of the program: the "DLOG Configuration" window of an instrument (one per
// instrument), with its data view and graph windows.

class QWidget;

namespace talven {
class CInstrumentConnectedNode;
class CInstrumentNode;
class CTALVENApp;
}  // namespace talven

namespace talven::gui {

class CDASConfigDialog;

/// Opens the instrument's "DLOG Configuration" window, or brings the one already open forward.
/// While it is open the instrument's front panel is not free (it is neither closed nor
/// disconnected for being idle); when it closes, that counts as activity.
void OpenDlogConfigurationWindow(QWidget* parent, CInstrumentConnectedNode& node);

/// The instrument's open window, or null.
CDASConfigDialog* FindDlogConfigurationWindow(const CInstrumentNode& node);

/// Before the node is deleted (or the configuration holding it replaced): its window is closed
/// without questions and the DLOG state kept for it is dropped.
void ForgetDlogWindowsOf(const CInstrumentNode& node);

/// The application whose options (date formats, confirm deletes) the DLOG windows read and whose
/// settings remember their rectangles. Without one: the default options, rectangles in QSettings.
void SetDlogWindowsApplication(CTALVENApp* app);

}  // namespace talven::gui
