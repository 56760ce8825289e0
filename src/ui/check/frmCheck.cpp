#include "frmCheck.h"

#include "CheckFindingsModel.h"
#include "LocaleText.h"
#include "mdlI18n.h"
#include "mdlI18nForm.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// Control characters of a name as "\xHH", as the main list shows them.
QString Escaped(const std::string &text)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    QString shown;
    for (const QChar c : QString::fromStdString(text)) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F) {
            shown += QStringLiteral("\\x");
            shown += QLatin1Char(hex[u >> 4]);
            shown += QLatin1Char(hex[u & 0xF]);
        } else {
            shown += c;
        }
    }
    return shown;
}

} // namespace

frmCheck::frmCheck(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCheck"));
    setWindowTitle(QStringLiteral("Archiv prüfen"));
    resize(720, 420);

    m_lblSummary = new QLabel(this);
    m_lblSummary->setObjectName(QStringLiteral("lblSummary"));
    m_lblSummary->setProperty("Tag", QStringLiteral("NOLOC")); // built at run time
    m_lblSummary->setWordWrap(true);

    m_model = new CheckFindingsModel(this);
    m_lvwFindings = new QTableView(this);
    m_lvwFindings->setObjectName(QStringLiteral("lvwFindings"));
    m_lvwFindings->setModel(m_model);
    QStringList columnKeys;
    for (int column = 0; column < m_model->columnCount(); ++column)
        columnKeys << CheckFindingsModel::ColumnKey(column);
    m_lvwFindings->setProperty("ColumnKeys", columnKeys);
    m_lvwFindings->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lvwFindings->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lvwFindings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lvwFindings->setShowGrid(false);
    m_lvwFindings->setWordWrap(false);
    m_lvwFindings->verticalHeader()->hide();
    m_lvwFindings->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_lvwFindings->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    m_lvwFindings->horizontalHeader()->setStretchLastSection(true);
    m_lvwFindings->setColumnWidth(CheckFindingsModel::ColKey, 80);
    m_lvwFindings->setColumnWidth(CheckFindingsModel::ColName, 260);
    connect(m_lvwFindings, &QAbstractItemView::doubleClicked, this, &frmCheck::ActivateRow);
    // Enter does what the double click does (not QAbstractItemView::activated,
    // which some desktops emit on a single click).
    m_lvwFindings->installEventFilter(this);

    m_lblHint = new QLabel(QStringLiteral("Doppelklick oder Eingabetaste auf einen Befund wählt "
                                          "seinen Eintrag in der Liste aus."),
                           this);
    m_lblHint->setObjectName(QStringLiteral("lblHint"));
    m_cmdClose = new QPushButton(QStringLiteral("&Schließen"), this);
    m_cmdClose->setObjectName(QStringLiteral("cmdClose"));
    m_cmdClose->setAutoDefault(false);
    connect(m_cmdClose, &QPushButton::clicked, this, &QDialog::close);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_lblHint, 1);
    bottom->addWidget(m_cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_lblSummary);
    layout->addWidget(m_lvwFindings, 1);
    layout->addLayout(bottom);

    setWindowTitle(TranslateTextStep("Caption", windowTitle()));
    mdlI18n::TranslateForm(this);
    m_strSummary = TranslateTextStep("strSummary", QString::fromUtf8(PakCheckSummaryTemplate()));
    m_strNoFindings = TranslateTextStep(
        "strNoFindings", QStringLiteral("Keine Befunde: der Aufbau des Archivs ist in Ordnung."));
    for (int kind = 0; kind < PakFindingKindCount; ++kind) {
        const auto k = static_cast<PakFindingKind>(kind);
        m_strFindings[kind] =
            TranslateTextStep(PakFindingKey(k), QString::fromUtf8(PakFindingTemplate(k)));
    }
}

void frmCheck::ActivateRow(const QModelIndex &at)
{
    if (!at.isValid())
        return;
    const int32_t index = m_model->EntryIndex(at.row());
    if (index >= 0)
        emit EntryActivated(index);
}

bool frmCheck::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_lvwFindings && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ActivateRow(m_lvwFindings->currentIndex());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString frmCheck::TranslateTextStep(const char *key, const QString &defaultText) const
{
    return QString::fromStdString(
        mdlI18n::TranslateText("frmCheck", key, defaultText.toStdString()));
}

void frmCheck::ShowReport(const PakCheckReport &report, const PakArchive &archive)
{
    const mdlTools::NumberFormat format = LocaleText::NumberFormat();
    std::string templates[PakFindingKindCount];
    for (int kind = 0; kind < PakFindingKindCount; ++kind)
        templates[kind] = m_strFindings[kind].toStdString();
    std::vector<CheckFindingsModel::Row> rows;
    rows.reserve(report.Findings.size());
    for (const PakFinding &finding : report.Findings) {
        CheckFindingsModel::Row row;
        row.Index = finding.Index;
        row.Key = QString::fromStdString(PakRowKey(finding.Index));
        if (finding.Index >= 0 && static_cast<size_t>(finding.Index) < archive.Entries.size())
            row.Name = Escaped(PakEntryName(archive.Entries[static_cast<size_t>(finding.Index)]));
        row.Finding = Escaped(
            PakFindingText(finding, archive, templates[static_cast<int>(finding.Kind)], format));
        rows.push_back(std::move(row));
    }
    m_model->SetRows(std::move(rows));
    const QString summary =
        QString::fromStdString(PakCheckSummary(report, m_strSummary.toStdString(), format));
    m_lblSummary->setText(
        QString::fromStdString(archive.PakPath) + QLatin1Char('\n') +
        (report.Findings.empty() ? m_strNoFindings + QLatin1Char(' ') + summary : summary));
}

QString frmCheck::SummaryText() const
{
    return m_lblSummary->text();
}
