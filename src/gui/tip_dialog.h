#pragma once

#include <filesystem>
#include <memory>

#include <QDialog>

#include "gui/message_boxes.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace wavelore {

class CTipOfTheDay;
class IProfileStore;

// "Tip of the Day": one tip from the tips file at a time on a white panel,
// "&Next Tip" to walk on, and the choice whether tips show at start-up,
// stored when the dialog is closed with "&Close".
class CTipDialog final : public QDialog {
    Q_OBJECT

  public:
    // profile: section "Tip"; tipsFile: "tips.txt" in the working
    // directory; boxes: shows "Trouble reading the tips file".
    CTipDialog(IProfileStore& profile, const std::filesystem::path& tipsFile,
               MessageBoxRunner boxes, QWidget* parent = nullptr);
    // Stores where the next tip starts.
    ~CTipDialog() override;

    // The start-up: reads one tip on, as every opening does; true when the
    // tips are to be shown at start-up.
    static bool ShowAtStartUp(IProfileStore& profile, const std::filesystem::path& tipsFile,
                              const MessageBoxRunner& boxes, QWidget* parent);

    QLabel* TipLabel() const { return m_tip; }
    QCheckBox* StartUpBox() const { return m_startUp; }
    QPushButton* NextButton() const { return m_next; }
    QPushButton* CloseButton() const { return m_close; }

  private:
    void ShowTip();
    void CloseAndStore();

    std::unique_ptr<CTipOfTheDay> m_tips;
    QLabel* m_tip = nullptr;
    QCheckBox* m_startUp = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_close = nullptr;
};

}  // namespace wavelore
