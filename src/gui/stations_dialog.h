#pragma once

#include <QDialog>

class QComboBox;
class QListWidget;
class QPushButton;

namespace wavelore {

class CSettings;

// "Stations and subjects": the NAVAREA, the stations of that NAVAREA by
// letter and name, and the subjects A to Z with their categories. The
// subjects that cannot be left out (A, B, D and L) are shown checked and
// cannot be changed. OK writes "Stations", "Subjects" and "NavArea";
// Cancel writes nothing.
class CStationsDialog final : public QDialog {
    Q_OBJECT

  public:
    CStationsDialog(CSettings& settings, QWidget* parent = nullptr);

    QComboBox* NavAreaBox() const { return m_navArea; }
    // One checkable item per letter A to Z, in that order.
    QListWidget* StationList() const { return m_stations; }
    QListWidget* SubjectList() const { return m_subjects; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }

    void accept() override;

  private:
    // The station names of the NAVAREA chosen; the checks stay.
    void NameStations();

    CSettings& m_settings;
    QComboBox* m_navArea = nullptr;
    QListWidget* m_stations = nullptr;
    QListWidget* m_subjects = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace wavelore
