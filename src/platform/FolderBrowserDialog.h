#pragma once

#include <QFileDialog>

// Qt's folder dialog with the folder browser's rule: OK is enabled only while
// the chosen folder exists, and a folder that does not exist is never returned.
class FolderBrowserDialog final : public QFileDialog
{
    Q_OBJECT

  public:
    FolderBrowserDialog(const QString &initialFolder, const QString &title, QWidget *owner);

    // The folder the dialog would return now (blanks around it removed).
    QString ChosenFolder() const;
    // True while the OK button is enabled.
    bool OkEnabled() const;

    void accept() override;

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    void OnChoiceChanged();
    void UpdateOkButton();
    void ScheduleUpdate();

    // A missing initial folder cannot be preselected; OK stays off until the
    // user picks another folder.
    bool m_blnInitialMissing = false;
};
