#pragma once

#include <QDialog>
#include <QList>
#include <QString>

#include <cstdint>
#include <string>

class QLabel;
class QPushButton;
class QTabWidget;

// The about box: product name, version, description and copyright from the
// program's version information on the page "Anwendung", the maker's contact
// details on the page "Autor", links that open the maker's web address and a
// mail message, and a button that starts the system-information tool.
// Constructing it loads it (translation included); it needs no main window.
class frmAbout final : public QDialog
{
    Q_OBJECT

  public:
    // owner: the window it is modal to and centred over.
    explicit frmAbout(QWidget *owner = nullptr);

    // "Version " followed by major, "." and minor and revision run together:
    // 1.0.3 gives "Version 1.03".
    static QString VersionText(int major, int minor, int revision);
    // What the link labels open: the maker's web address, and a new mail to the
    // maker whose subject is the product name, appended as it is.
    static QString WebTarget();
    static QString MailTarget();

    // Starts the system-information tool that the registry names; nothing
    // happens when there is none or it cannot be started.
    void StartSysInfo();
    // Reads the string value SubKeyRef of KeyName below KeyRoot into KeyVal (up
    // to its first NUL); false, with KeyVal empty, when there is none.
    static bool GetKeyValue(int32_t KeyRoot, const std::string &KeyName,
                            const std::string &SubKeyRef, std::string &KeyVal);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

  private:
    void CreateControls();
    void LoadTexts();
    void TabClick();
    QLabel *AddLabel(QWidget *page, const char *name, const QString &text, double left, double top,
                     double width, double height, bool noloc);

    // Twips per pixel of the layout: the screen's, or fewer where a text needs room.
    double m_twipsPerPixel = 15;
    bool m_blnCentred = false;

    QTabWidget *m_tbsAbout = nullptr;
    QList<QWidget *> m_picAbout;
    QLabel *m_lblTitle = nullptr;
    QLabel *m_lblVersion = nullptr;
    QLabel *m_lblDescription = nullptr;
    QLabel *m_lblDisclaimer = nullptr;
    QList<QLabel *> m_webLinks;  // lblLink1, lblLink2
    QList<QLabel *> m_mailLinks; // lblMail1, lblMail2
    QPushButton *m_cmdOK = nullptr;
    QPushButton *m_cmdSysInfo = nullptr;
};
