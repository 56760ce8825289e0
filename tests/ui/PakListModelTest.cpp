#include "PakListModel.h"
#include "PakWriter.h"
#include "TestSupport.h"
#include "UiTestSupport.h"
#include "mdlListView.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QTableView>

#include <gtest/gtest.h>

namespace {

PakWriterEntry Entry(const std::string &name, size_t size, FileTime written = 0)
{
    PakWriterEntry entry;
    entry.Name = name;
    entry.Data = std::string(size, 'x');
    entry.CreationTime = written;
    entry.LastAccessTime = written;
    entry.LastWriteTime = written;
    return entry;
}

PakArchive LoadArchive(const TempDir &dir, const std::vector<PakWriterEntry> &entries,
                       bool withTimes)
{
    PakWriterOptions options;
    options.WithTimeTable = withTimes;
    const std::string path = dir / "list.pak";
    EXPECT_TRUE(WritePak(path, entries, options));
    PakArchive archive;
    EXPECT_TRUE(ReadPakFile(path, archive));
    return archive;
}

QStringList Column(const PakListModel &model, int column)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.CellText(row, column);
    return texts;
}

QStringList Keys(const PakListModel &model)
{
    QStringList keys;
    for (int row = 0; row < model.rowCount(); ++row)
        keys << model.RowKey(row);
    return keys;
}

} // namespace

TEST(PakListModel, CellsKeysAndColumns)
{
    TempDir dir;
    // 31.12.2005 23:30 in Berlin is 22:30 UTC.
    const FileTime newYearsEve = UtcFileTime(2005, 12, 31, 22, 30, 5);
    PakArchive archive =
        LoadArchive(dir,
                    {Entry("textures\\wall.dds", 12345, newYearsEve), Entry("tools.old\\readme", 0),
                     Entry("Gr\xfc\xdf"
                           "e.TXT",
                           999)},
                    true);
    PakListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.Load(archive);

    ASSERT_EQ(model.rowCount(), 3); // the time table is not listed
    ASSERT_EQ(model.columnCount(), 7);
    EXPECT_EQ(Keys(model), (QStringList{"ID1"_q, "ID2"_q, "ID3"_q}));
    EXPECT_EQ(model.data(model.index(0, 3), PakListModel::KeyRole).toString(), "ID1"_q);
    EXPECT_EQ(Column(model, 0),
              (QStringList{"textures\\wall.dds"_q, "tools.old\\readme"_q, "Grüße.TXT"_q}));
    EXPECT_EQ(Column(model, 1), (QStringList{"dds"_q, ""_q, "TXT"_q}));
    EXPECT_EQ(Column(model, 2), (QStringList{"688"_q, "13.033"_q, "13.033"_q}));
    EXPECT_EQ(Column(model, 3), (QStringList{"12.345"_q, ""_q, "999"_q}));
    EXPECT_EQ(model.CellText(0, 4), "31.12.2005 23:30:05"_q);
    EXPECT_EQ(model.CellText(0, 6), "31.12.2005 23:30:05"_q);
    EXPECT_EQ(model.data(model.index(0, 3)).toString(), "12.345"_q);
    EXPECT_EQ(model.data(model.index(0, 3), PakListModel::RawValueRole).toLongLong(), 12345);
    EXPECT_EQ(model.data(model.index(0, 4), PakListModel::RawValueRole).toLongLong(),
              20051231233005LL);

    const QStringList captions = QStringList{
        "Dateiname"_q,          "Typ"_q,        "StartAdresse"_q, "Größe"_q, "Erstellt am"_q,
        "Letzter Zugriff am"_q, "Geändert am"_q};
    const QStringList keys =
        QStringList{"Name"_q,         "Extension"_q,      "Start"_q,        "Size"_q,
                    "CreationTime"_q, "LastAccessTime"_q, "LastWriteTime"_q};
    for (int column = 0; column < 7; ++column) {
        EXPECT_EQ(model.headerData(column, Qt::Horizontal).toString(), captions[column]);
        EXPECT_EQ(model.headerData(column, Qt::Horizontal, PakListModel::KeyRole).toString(),
                  keys[column]);
        const auto alignment =
            model.data(model.index(0, column), Qt::TextAlignmentRole).value<Qt::Alignment>();
        EXPECT_EQ(alignment & Qt::AlignHorizontal_Mask,
                  column < 2 ? Qt::AlignLeft : Qt::AlignRight);
    }
    // A translated caption replaces the designed one.
    EXPECT_TRUE(model.setHeaderData(0, Qt::Horizontal, "Name"_q, Qt::DisplayRole));
    EXPECT_EQ(model.ColumnCaption(0), "Name"_q);
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_EQ(model.TotalSize(), 12345 + 999);
    EXPECT_EQ(model.SizeSum(1, 2), 999);

    // Without a time table every time cell is "-" and has no raw value.
    PakArchive undated = LoadArchive(dir, {Entry("a", 1), Entry("b", 2)}, false);
    model.Load(undated);
    EXPECT_EQ(Keys(model), (QStringList{"ID0"_q, "ID1"_q}));
    EXPECT_EQ(Column(model, 5), (QStringList{"-"_q, "-"_q}));
    EXPECT_FALSE(model.data(model.index(0, 5), PakListModel::RawValueRole).isValid());

    // Control characters cannot break the lines and columns of a copied listing;
    // a name filling all 128 bytes is shown whole.
    const std::string full(128, 'n');
    PakArchive hostile = LoadArchive(dir, {Entry("a\tb\r\nc.t\x7Fx", 1), Entry(full, 1)}, false);
    model.Load(hostile);
    EXPECT_EQ(model.CellText(0, 0), "a\\x09b\\x0D\\x0Ac.t\\x7Fx"_q);
    EXPECT_EQ(model.CellText(0, 1), "t\\x7Fx"_q);
    EXPECT_EQ(model.CellText(1, 0), QString(128, QLatin1Char('n')));
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.TotalSize(), 0);
}

TEST(PakListModel, SortOrders)
{
    TempDir dir;
    const FileTime t2005 = UtcFileTime(2005, 12, 31, 12, 0, 0);
    const FileTime t2006 = UtcFileTime(2006, 1, 1, 12, 0, 0);
    // Two moments in one second convert to equal local times and so tie.
    const FileTime t2006b = t2006 + 5000000;
    PakArchive archive = LoadArchive(dir,
                                     {Entry("b.dat", 1000, t2006), Entry("A.dat", 999, t2005),
                                      Entry("a.DAT", 12345, t2006b), Entry("C.bin", 0, t2006),
                                      Entry("c.bin", 999, t2005)},
                                     true);
    PakListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.Load(archive);
    EXPECT_FALSE(model.IsSorted());

    struct Case
    {
        int column;
        Qt::SortOrder order;
        QStringList keys;
    };
    // Each case sorts the order left by the case before it, so ties show that
    // equal keys keep their previous order.
    const Case cases[] = {
        {0, Qt::AscendingOrder, {"ID2"_q, "ID3"_q, "ID1"_q, "ID4"_q, "ID5"_q}},
        {0, Qt::DescendingOrder, {"ID4"_q, "ID5"_q, "ID1"_q, "ID2"_q, "ID3"_q}},
        {3,
         Qt::AscendingOrder,
         {"ID4"_q, "ID5"_q, "ID2"_q, "ID1"_q, "ID3"_q}}, // 0 first, 999 999 1.000 12.345
        {3, Qt::DescendingOrder, {"ID3"_q, "ID1"_q, "ID5"_q, "ID2"_q, "ID4"_q}},
        {1,
         Qt::AscendingOrder,
         {"ID5"_q, "ID4"_q, "ID3"_q, "ID1"_q, "ID2"_q}}, // bin before dat, any case
        {6, Qt::AscendingOrder, {"ID5"_q, "ID2"_q, "ID4"_q, "ID3"_q, "ID1"_q}}, // 2005 before 2006
        {6, Qt::DescendingOrder, {"ID4"_q, "ID3"_q, "ID1"_q, "ID5"_q, "ID2"_q}},
        {2,
         Qt::AscendingOrder,
         {"ID1"_q, "ID2"_q, "ID3"_q, "ID4"_q, "ID5"_q}}, // start offsets grow
    };
    for (const Case &c : cases) {
        model.sort(c.column, c.order);
        EXPECT_EQ(Keys(model), c.keys) << "column " << c.column << " order " << c.order;
        EXPECT_TRUE(model.IsSorted());
        EXPECT_EQ(model.SortColumn(), c.column);
        EXPECT_EQ(model.SortOrder(), c.order);
    }
    EXPECT_EQ(Column(model, 3), (QStringList{"1.000"_q, "999"_q, "12.345"_q, ""_q, "999"_q}));
    EXPECT_EQ(model.SizeSum(0, 1), 1999); // sums follow the new order

    // A reload keeps the list sorted by the last column and order.
    model.sort(3, Qt::DescendingOrder);
    model.Load(archive);
    EXPECT_EQ(Keys(model), (QStringList{"ID3"_q, "ID1"_q, "ID2"_q, "ID5"_q, "ID4"_q}));
}

TEST(PakListModel, UndatedRowsFollowDatedOnesAndTie)
{
    TempDir dir;
    PakArchive undated = LoadArchive(dir, {Entry("x", 3), Entry("y", 1), Entry("z", 2)}, false);
    PakListModel model;
    model.Load(undated);
    model.sort(4, Qt::AscendingOrder);
    EXPECT_EQ(Keys(model), (QStringList{"ID0"_q, "ID1"_q, "ID2"_q}));
    model.sort(4, Qt::DescendingOrder);
    EXPECT_EQ(Keys(model), (QStringList{"ID0"_q, "ID1"_q, "ID2"_q}));
    model.sort(3, Qt::AscendingOrder);
    model.sort(5, Qt::DescendingOrder);
    EXPECT_EQ(Keys(model), (QStringList{"ID1"_q, "ID2"_q, "ID0"_q}));
}

TEST(PakListModel, SelectionFollowsRowsThroughASort)
{
    TempDir dir;
    std::vector<PakWriterEntry> entries;
    for (int i = 0; i < 50; ++i) {
        std::string name = "f"; // not "f" + ...: a false -Wrestrict in GCC 12
        name += std::to_string(i);
        entries.push_back(Entry(name, static_cast<size_t>(50 - i)));
    }
    PakArchive archive = LoadArchive(dir, entries, false);
    PakListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.Load(archive);
    QTableView view;
    view.setModel(&model);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    auto *selection = view.selectionModel();
    for (const int row : {0, 1, 2, 10, 49})
        selection->select(model.index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(mdlListView::GetSelectedCount(&view), 5);
    model.sort(3, Qt::AscendingOrder); // reverses the rows
    EXPECT_EQ(mdlListView::GetSelectedCount(&view), 5);
    QStringList selectedKeys;
    for (const auto &[first, last] : mdlListView::GetSelectedRuns(&view))
        for (int row = first; row <= last; ++row)
            selectedKeys << model.RowKey(row);
    EXPECT_EQ(selectedKeys, (QStringList{"ID49"_q, "ID10"_q, "ID2"_q, "ID1"_q, "ID0"_q}));

    mdlListView::SetAllItemsSelected(&view, -1);
    EXPECT_EQ(mdlListView::GetSelectedCount(&view), 50);
    model.sort(0, Qt::AscendingOrder);
    EXPECT_EQ(mdlListView::GetSelectedCount(&view), 50);
    mdlListView::SetAllItemsSelected(&view, 0);
    EXPECT_EQ(mdlListView::GetSelectedCount(&view), 0);
}

TEST(PakListModel, FilterNarrowsTheRowsInTheModel)
{
    TempDir dir;
    std::vector<PakWriterEntry> entries = {Entry("Texturen\\Wand.DDS", 10),
                                           Entry("texturen/boden.dds", 20),
                                           Entry("sounds\\pfiff.wav", 30),
                                           Entry("Gr\xdc\xdf"
                                                 "e.txt",
                                                 40),
                                           Entry("modelle\\lok\\wand.mdl", 50),
                                           Entry("readme", 60)};
    PakArchive archive = LoadArchive(dir, entries, true);
    PakListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.Load(archive);
    QTableView view;
    view.setModel(&model);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    EXPECT_FALSE(model.IsFiltered());

    struct Case
    {
        QString filter;
        QStringList keys;
    };
    const Case cases[] = {
        {"WAND"_q, {"ID1"_q, "ID5"_q}},       // a part of the name, any case
        {"texturen/"_q, {"ID1"_q, "ID2"_q}},  // "/" finds "\" and "/"
        {"TEXTUREN\\"_q, {"ID1"_q, "ID2"_q}}, // and "\" does too
        {"*.dds"_q, {"ID1"_q, "ID2"_q}},      // a pattern matches the whole name
        {"wand"_q, {"ID1"_q, "ID5"_q}},       //
        {"*wand*"_q, {"ID1"_q, "ID5"_q}},     // "*" crosses folders
        {"modelle*mdl"_q, {"ID5"_q}},         //
        {"?ounds\\*"_q, {"ID3"_q}},           // "?" is one character
        {"wand.dds?"_q, {}},                  //
        {"grüß"_q, {"ID4"_q}},                // Windows-1252 letters fold too
        {"\u20ac"_q, {}},                     // "€" is in no name
        {"\u4e2d"_q, {}},                     // not even a wildcard
        {"sounds"_q, {"ID3"_q}},              //
        {QString(), {"ID1"_q, "ID2"_q, "ID3"_q, "ID4"_q, "ID5"_q, "ID6"_q}},
    };
    for (const Case &c : cases) {
        model.SetFilter(c.filter);
        EXPECT_EQ(Keys(model), c.keys) << c.filter.toStdString();
        EXPECT_EQ(model.IsFiltered(), !c.filter.isEmpty());
        EXPECT_EQ(model.AllRowCount(), 6);
        EXPECT_EQ(model.TotalSize(), 210); // the whole archive, shown or not
    }

    // Sums, cells and widths follow the rows shown; sorting sorts all of them.
    model.SetFilter("wand"_q);
    EXPECT_EQ(model.SizeSum(0, 1), 60);
    EXPECT_EQ(model.CellText(1, 0), "modelle\\lok\\wand.mdl"_q);
    EXPECT_EQ(model.RowOfEntry(5), 1);
    EXPECT_EQ(model.RowOfEntry(3), -1);
    model.sort(3, Qt::DescendingOrder);
    EXPECT_EQ(Keys(model), (QStringList{"ID5"_q, "ID1"_q}));
    model.SetFilter("d"_q);
    EXPECT_EQ(Keys(model), (QStringList{"ID6"_q, "ID5"_q, "ID3"_q, "ID2"_q, "ID1"_q}));

    // Rows that stay keep their selection and the current row; hidden ones lose it.
    model.SetFilter(QString());
    auto *selection = view.selectionModel();
    for (const int32_t entry : {1, 3, 5})
        selection->select(model.index(model.RowOfEntry(entry), 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->setCurrentIndex(model.index(model.RowOfEntry(5), 2), QItemSelectionModel::NoUpdate);
    model.SetFilter("wand"_q);
    EXPECT_EQ(mdlListView::GetSelectedCount(&view), 2);
    EXPECT_EQ(model.RowKey(selection->currentIndex().row()), "ID5"_q);
    EXPECT_EQ(selection->currentIndex().column(), 2);
    model.SetFilter("pfiff"_q);
    EXPECT_EQ(mdlListView::GetSelectedCount(&view), 0);
    EXPECT_FALSE(selection->currentIndex().isValid());
    model.SetFilter(QString());
    EXPECT_EQ(mdlListView::GetSelectedCount(&view), 0);

    // Another archive starts without a filter.
    model.SetFilter("wand"_q);
    model.Load(archive);
    EXPECT_FALSE(model.IsFiltered());
    EXPECT_EQ(model.rowCount(), 6);
    model.SetFilter("wand"_q);
    model.Clear();
    EXPECT_FALSE(model.IsFiltered());
    EXPECT_EQ(model.rowCount(), 0);
    model.SetFilter("x"_q); // on an empty list
    EXPECT_EQ(model.rowCount(), 0);
}
