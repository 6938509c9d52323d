#pragma once
// The site properties dialog (name) and the multiplexor properties dialog (name and address).

#include <QDialog>

#include "app/ui/NodeProperties.h"

class QLineEdit;

namespace talven::gui {

class SitePropertiesDialog : public QDialog {
    Q_OBJECT
  public:
    SitePropertiesDialog(QWidget* parent, CSiteNode& site);
    void accept() override;
    /// After OK: whether the name changed.
    bool Changed() const { return changed_; }

  private:
    CSitePropertiesDialog presenter_;
    QLineEdit* name_;
    bool changed_ = false;
};

class MultiplexorPropertiesDialog : public QDialog {
    Q_OBJECT
  public:
    MultiplexorPropertiesDialog(QWidget* parent, CMultiplexorNode& multiplexor);
    void accept() override;
    bool Changed() const { return changed_; }

  private:
    CMultiplexorPropertiesDialog presenter_;
    QLineEdit* name_;
    QLineEdit* address_;
    bool changed_ = false;
};

}  // namespace talven::gui
