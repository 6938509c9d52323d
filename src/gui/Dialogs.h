#pragma once
// The dialogs the main window opens: the options sheet, a node's properties, the modems list and
// an instrument's information.

class QWidget;

namespace talven {
class CTALVENApp;
class CTreeNode;
class CInstrumentNode;
}  // namespace talven

namespace talven::gui {

/// The options sheet. busy: instruments are connected (Restore defaults is refused then).
/// True when the user confirmed and the options changed (they are then in app, the event log
/// reopened with them).
bool ShowOptionsDialog(QWidget* parent, CTALVENApp& app, bool busy);
/// The properties of a site, multiplexor or instrument node (the instrument property sheet with its
/// pages for an instrument). True when the user confirmed a change: the caller marks the
/// configuration modified and refreshes the tree.
bool ShowNodeProperties(QWidget* parent, CTreeNode& node);
/// The modems dialog with modem properties.
void ShowModemsDialog(QWidget* parent);
/// The Instrument Information window (modeless; one per instrument).
void ShowInstrumentInformation(QWidget* parent, CInstrumentNode& node);

}  // namespace talven::gui
