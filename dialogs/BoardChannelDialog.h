#pragma once

#include "dialogs/BoardChannelEditor.h"
#include "dialogs/DialogHost.h"

#include <QDialog>

#include <array>
#include <memory>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace veltrane {

// The modeless "Board / Channel Parameters" dialog. It owns its host for as long as it
// lives and deletes itself when it closes.
class BoardChannelDialog : public QDialog {
    Q_OBJECT
public:
    BoardChannelDialog(std::unique_ptr<DialogHost> host, QWidget* parent);

    // Rewrites the controls from the working copy (the live cycle calls this).
    void Refresh();
    // Top right corner of the screen's available area, never off it; again once shown, when
    // the window frame's size is known.
    void PlaceAtTopRight();

    // Button handlers (also driven by tests).
    void OnOk();
    void OnApply();
    void OnCancel();
    void OnZero(int channel);
    void OnSet(int channel);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    struct ChannelWidgets {
        QComboBox* mode = nullptr;
        QComboBox* interpolation = nullptr;
        QComboBox* attenuation = nullptr;
        QLineEdit* output = nullptr;
    };

    void BuildControls();
    void Show(const BoardControls& controls);
    BoardControls Gather() const;
    void ShowProtection();
    void FocusFailedField();
    void Finish();

    std::unique_ptr<DialogHost> host_;
    BoardChannelEditor editor_;
    QLineEdit* air1_ = nullptr;
    QLineEdit* air2_ = nullptr;
    QLineEdit* split_ = nullptr;
    QLineEdit* h2_ = nullptr;
    QLineEdit* ignitor_ = nullptr;
    QLineEdit* pmt_ = nullptr;
    QLineEdit* trigger_ = nullptr;
    QComboBox* range_ = nullptr;
    std::array<ChannelWidgets, kChannelCount> channels_{};
    bool finished_ = false;
};

} // namespace veltrane
