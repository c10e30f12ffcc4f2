// The virtual units as an engineer would see them on the studio floor:
// each unit's dot matrix from its RAM, its PGM and PVW lamps, its address
// and last text.
#pragma once

#include "unit/unitline.h"

#include <QTimer>
#include <QWidget>

namespace unit {

class UnitView : public QWidget {
    Q_OBJECT
public:
    UnitView(UnitLine &line, int index, QWidget *parent = nullptr);
    QSize sizeHint() const override;
    void setFlashPhase(bool on);
    // The line under the lamps: "MODE 00  FLASH".
    QString modeText() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    UnitLine &m_line;
    int m_index;
    bool m_flashPhase = true;
};

class UnitWindow : public QWidget {
    Q_OBJECT
public:
    UnitWindow(UnitLine &line, const QString &path, QWidget *parent = nullptr);

private:
    QList<UnitView *> m_views;
    QTimer m_flash;
    bool m_phase = true;
};

} // namespace unit
