#pragma once
// The calibrator's two windows, one of each per instrument: "Sequence Configuration" and
// "Predefined Levels". A second call for the same instrument brings its window forward. Both
// windows of an instrument share one view of its calibrator data (lists and modified marks).

#include <functional>

class QWidget;

namespace talven {
class CInstrumentConnectedNode;
class CInstrumentNode;
}  // namespace talven

namespace talven::gui {

void OpenSequenceWindow(QWidget* parent, CInstrumentConnectedNode& node);
void OpenLevelWindow(QWidget* parent, CInstrumentConnectedNode& node);

/// Closes the calibrator windows of the node (null: of every node) at once, without questions:
/// call it before the node is deleted or the configuration replaced. A transfer still running
/// finishes on the worker; its result is dropped.
void CloseCalibratorWindows(const CInstrumentNode* node);

/// Where the windows read the option to confirm deleting items (on when not set).
void SetCalibratorConfirmDeletes(std::function<bool()> source);

/// The open windows of a node, or null (tests, and the window menu).
QWidget* FindSequenceWindow(const CInstrumentNode& node);
QWidget* FindLevelWindow(const CInstrumentNode& node);

}  // namespace talven::gui
