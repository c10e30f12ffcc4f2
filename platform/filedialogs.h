// Open and save dialogs behind an interface, so that tests choose the file.
#pragma once

#include "platform/modalgate.h"

#include <QString>

class QWidget;

namespace platform {

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The filter is written as description|pattern pairs, each followed by
    // "|". An empty result means the dialog was cancelled. Both hold the
    // modal gate while the dialog is open.
    QString openFile(const QString &filter)
    {
        const ModalGate::Hold hold;
        return chooseOpen(filter);
    }
    QString saveFile(const QString &filter)
    {
        const ModalGate::Hold hold;
        return chooseSave(filter);
    }

protected:
    virtual QString chooseOpen(const QString &filter) = 0;
    virtual QString chooseSave(const QString &filter) = 0;
};

// "Text(*.txt)|*.txt|All(*.*)|*.*|" -> "Text(*.txt) (*.txt);;All(*.*) (*.*)",
// the entries a Qt dialog lists; a description that already ends with its
// pattern in parentheses is kept as it is.
QString qtNameFilters(const QString &filter);

class QtFileDialogs : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

protected:
    QString chooseOpen(const QString &filter) override;
    QString chooseSave(const QString &filter) override;

private:
    QWidget *m_parent;
};

} // namespace platform
