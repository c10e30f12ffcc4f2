#include "console/linelogwindow.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace console {

LineLogModel::LineLogModel(LineLog &log, QObject *parent) : QAbstractTableModel(parent), m_log(log)
{
    m_batch.setSingleShot(true);
    m_batch.setInterval(kBatchMs);
    connect(&m_batch, &QTimer::timeout, this, &LineLogModel::sync);
    connect(&m_log, &LineLog::changed, this, [this] {
        if (!m_batch.isActive()) m_batch.start();
    });
    rebuild();
}

int LineLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

int LineLogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const LogRow &LineLogModel::shown(int row) const
{
    return m_log.row(m_shown[row] - m_log.first());
}

QVariant LineLogModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_shown.size()) return {};
    const LogRow &row = shown(index.row());
    if (role == Qt::ForegroundRole) return row.error ? QVariant(QColor(192, 0, 0)) : QVariant();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (index.column()) {
    case Time: return row.timeText();
    case Direction: return row.directionText();
    case Frame: return row.frameText();
    case Meaning: return row.meaning;
    case Hex: return row.hexText();
    }
    return {};
}

QVariant LineLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char *const names[] = {QT_TR_NOOP("Time"), QT_TR_NOOP("Dir"), QT_TR_NOOP("Frame"),
                                        QT_TR_NOOP("Meaning"), QT_TR_NOOP("Hex")};
    return section >= 0 && section < ColumnCount ? tr(names[section]) : QVariant();
}

QList<qint64> LineLogModel::accepted(qint64 from, qint64 to) const
{
    QList<qint64> accepted;
    for (qint64 n = std::max(from, m_log.first()); n < to; ++n)
        if (m_filter.accepts(m_log.row(n - m_log.first()))) accepted << n;
    return accepted;
}

void LineLogModel::rebuild()
{
    // Paused, the view stays at the rows it had when paused, under any filter.
    if (!m_paused) m_seen = m_log.total();
    m_shown = accepted(m_log.first(), m_seen);
}

QString LineLogModel::save(const QString &path, bool hex) const
{
    return m_log.save(path, m_shown, hex);
}

void LineLogModel::setFilter(const LogFilter &filter)
{
    beginResetModel();
    m_filter = filter;
    rebuild();
    endResetModel();
    emit synced();
}

void LineLogModel::setPaused(bool paused)
{
    m_paused = paused;
    if (!paused) sync();
}

void LineLogModel::clear()
{
    beginResetModel();
    m_log.clear();
    rebuild();
    endResetModel();
    emit synced();
}

void LineLogModel::sync()
{
    m_batch.stop();
    // Rows the bound dropped leave the view even while it is paused: they
    // are gone from the log.
    const auto kept = std::lower_bound(m_shown.cbegin(), m_shown.cend(), m_log.first());
    if (const int gone = int(kept - m_shown.cbegin()); gone > 0) {
        beginRemoveRows({}, 0, gone - 1);
        m_shown.remove(0, gone);
        endRemoveRows();
    }
    if (!m_paused && m_seen < m_log.total()) {
        const QList<qint64> added = accepted(m_seen, m_log.total());
        m_seen = m_log.total();
        if (!added.isEmpty()) {
            beginInsertRows({}, int(m_shown.size()), int(m_shown.size() + added.size() - 1));
            m_shown += added;
            endInsertRows();
        }
    }
    emit synced();
}

LineLogWindow::LineLogWindow(LineLog &log, platform::MessageBoxes &boxes, platform::FileDialogs &files, QWidget *parent)
    : QWidget(parent, Qt::Window), m_log(log), m_model(log), m_boxes(boxes), m_files(files)
{
    setWindowTitle(tr(kLineLogCaption));
    // Closing the console ends the program even while the log is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    Sent = new QCheckBox(tr("Sent →"));
    Received = new QCheckBox(tr("Received ←"));
    ErrorsOnly = new QCheckBox(tr("Errors only"));
    Search = new QLineEdit;
    Search->setPlaceholderText(tr("Search"));
    Pause = new QPushButton(tr("Pause"));
    Pause->setCheckable(true);
    Clear = new QPushButton(tr("Clear"));
    SaveAs = new QPushButton(tr("Save as..."));
    HexColumn = new QCheckBox(tr("Hex"));
    Table = new QTableView;
    Status = new QLabel;
    Sent->setChecked(true);
    Received->setChecked(true);

    auto *bar = new QHBoxLayout;
    for (QWidget *w :
         std::initializer_list<QWidget *>{Sent, Received, ErrorsOnly, Search, HexColumn, Pause, Clear, SaveAs})
        bar->addWidget(w);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(Table);
    layout->addWidget(Status);

    Table->setModel(&m_model);
    Table->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Table->verticalHeader()->hide();
    Table->verticalHeader()->setDefaultSectionSize(Table->fontMetrics().height() + 4);
    Table->horizontalHeader()->setStretchLastSection(true);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setWordWrap(false);
    Table->setColumnWidth(LineLogModel::Time, Table->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00.000__")));
    Table->setColumnWidth(LineLogModel::Direction, Table->fontMetrics().horizontalAdvance(QStringLiteral("port__")));
    Table->setColumnWidth(LineLogModel::Frame, Table->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 40);
    Table->setColumnWidth(LineLogModel::Meaning, Table->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 60);
    Table->setColumnHidden(LineLogModel::Hex, true);
    // The search field says what it is for, not "Sea…".
    Search->setMinimumWidth(Search->fontMetrics().horizontalAdvance(Search->placeholderText()) +
                            Search->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 8);
    // Wide enough for every column in full, and for the bar above them.
    int columns = 2 * Table->frameWidth() + Table->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < m_model.columnCount(); ++c)
        if (!Table->isColumnHidden(c)) columns += Table->columnWidth(c);
    const QMargins margins = layout->contentsMargins();
    resize(std::max(columns + margins.left() + margins.right(), sizeHint().width()), 480);

    for (QCheckBox *box : {Sent, Received, ErrorsOnly})
        connect(box, &QCheckBox::toggled, this, &LineLogWindow::Filter_Change);
    connect(Search, &QLineEdit::textChanged, this, &LineLogWindow::Filter_Change);
    connect(Pause, &QPushButton::toggled, this, &LineLogWindow::Pause_Click);
    connect(Clear, &QPushButton::clicked, this, &LineLogWindow::Clear_Click);
    connect(SaveAs, &QPushButton::clicked, this, &LineLogWindow::SaveAs_Click);
    connect(HexColumn, &QCheckBox::toggled, this, &LineLogWindow::HexColumn_Click);
    connect(new QShortcut(QKeySequence::Save, this), &QShortcut::activated, this, &LineLogWindow::SaveAs_Click);

    // Follow the newest row unless the operator has scrolled up to read.
    connect(&m_model, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        const QScrollBar *scroll = Table->verticalScrollBar();
        if (scroll->value() == scroll->maximum()) QTimer::singleShot(0, Table, &QTableView::scrollToBottom);
    });
    connect(&m_model, &LineLogModel::synced, this, &LineLogWindow::showCounts);
    Table->scrollToBottom();
    showCounts();
}

void LineLogWindow::Filter_Change()
{
    LogFilter filter;
    filter.sent = Sent->isChecked();
    filter.received = Received->isChecked();
    filter.errorsOnly = ErrorsOnly->isChecked();
    filter.text = Search->text();
    m_model.setFilter(filter);
}

void LineLogWindow::Pause_Click()
{
    m_model.setPaused(Pause->isChecked());
    showCounts();
}

void LineLogWindow::Clear_Click()
{
    m_model.clear();
}

void LineLogWindow::SaveAs_Click()
{
    QString name = m_files.saveFile(tr("Text(*.txt)|*.txt|All(*.*)|*.*|"));
    if (name.isEmpty()) return;
    if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".txt");
    m_model.sync(); // what has come in the last moment is shown and saved too
    const QString error = m_model.save(name, HexColumn->isChecked());
    if (!error.isEmpty())
        m_boxes.show(platform::MessageBoxes::Icon::Exclamation, platform::MessageBoxes::Buttons::Ok, tr("Warning!"),
                     tr("Cannot save %1: %2").arg(name, error));
}

void LineLogWindow::HexColumn_Click()
{
    Table->setColumnHidden(LineLogModel::Hex, !HexColumn->isChecked());
}

void LineLogWindow::showCounts()
{
    QString text = tr("%1 rows shown of %2").arg(m_model.rowCount()).arg(m_log.size());
    if (m_log.dropped() > 0)
        text += tr("; %1 older rows dropped (the log keeps the last %2)").arg(m_log.dropped()).arg(m_log.limit());
    if (m_model.paused()) text += tr("; paused, still recording");
    Status->setText(text);
}

} // namespace console
