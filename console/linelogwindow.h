// The line log window: a thin view on the console's LineLog. Rows reach the
// table in batches, so a busy line costs one view update per batch rather
// than one per character.
#pragma once

#include "console/linelog.h"
#include "platform/filedialogs.h"
#include "platform/messageboxes.h"

#include <QAbstractTableModel>
#include <QList>
#include <QTimer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace console {

// Translated where it is shown (LineLogWindow::tr).
inline constexpr char kLineLogCaption[] = QT_TRANSLATE_NOOP("console::LineLogWindow", "线路记录 - Line log");

class LineLogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Time, Direction, Frame, Meaning, Hex, ColumnCount };
    static constexpr int kBatchMs = 50;

    explicit LineLogModel(LineLog &log, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const LogFilter &filter() const { return m_filter; }
    void setFilter(const LogFilter &filter);
    void setPaused(bool paused);
    bool paused() const { return m_paused; }
    void clear();
    // Brings the table up to the log now (otherwise the batch timer does).
    void sync();
    // Saves the rows in view, as LineLog::save.
    QString save(const QString &path, bool hex) const;

signals:
    void synced();

private:
    const LogRow &shown(int row) const;
    // The log numbers from..to (still kept) that the filter lets through.
    QList<qint64> accepted(qint64 from, qint64 to) const;
    void rebuild();

    LineLog &m_log;
    LogFilter m_filter;
    QList<qint64> m_shown; // numbers of the log rows in view
    qint64 m_seen = 0;     // log rows before this number have been looked at
    bool m_paused = false;
    QTimer m_batch;
};

struct LineLogForm {
    QCheckBox *Sent;
    QCheckBox *Received;
    QCheckBox *ErrorsOnly;
    QLineEdit *Search;
    QPushButton *Pause;
    QPushButton *Clear;
    QPushButton *SaveAs;
    QCheckBox *HexColumn;
    QTableView *Table;
    QLabel *Status;
};

class LineLogWindow : public QWidget, public LineLogForm {
    Q_OBJECT
public:
    LineLogWindow(LineLog &log, platform::MessageBoxes &boxes, platform::FileDialogs &files, QWidget *parent = nullptr);

    void Filter_Change();
    void Pause_Click();
    void Clear_Click();
    void SaveAs_Click();
    void HexColumn_Click();

private:
    void showCounts();

    LineLog &m_log;
    LineLogModel m_model;
    platform::MessageBoxes &m_boxes;
    platform::FileDialogs &m_files;
};

} // namespace console
