#pragma once
// The dialogs the main window opens: the options sheet, a node's properties, the modems list and
// an instrument's information. Each is modal on the window thread.

class QWidget;

namespace talven {

class CTALVENApp;
class CTreeNode;
class CInstrumentNode;

/// The options sheet; busy while an instrument is connected. True when the options changed (they
/// are then in app, the event log reopened with them).
bool ShowOptionsDialog(QWidget* parent, CTALVENApp& app, bool busy);
/// The node's properties dialog (site, multiplexor or instrument sheet). True when the user
/// accepted a change: the caller marks the configuration modified and refreshes the tree.
bool ShowNodeProperties(QWidget* parent, CTreeNode& node);
/// The list of Hayes modems of the network configuration.
void ShowModemsDialog(QWidget* parent);
/// What the instrument reported about itself at its last connect.
void ShowInstrumentInformation(QWidget* parent, CInstrumentNode& node);

}  // namespace talven
