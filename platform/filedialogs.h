// Open and save dialogs behind an interface, so that tests choose the file.
#pragma once

#include <QString>

class QWidget;

namespace platform {

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The filter is written as description|pattern pairs, each followed by
    // "|". An empty result means the dialog was cancelled.
    virtual QString openFile(const QString &filter) = 0;
    virtual QString saveFile(const QString &filter) = 0;
};

// "Text(*.txt)|*.txt|All(*.*)|*.*|" -> "Text(*.txt) (*.txt);;All(*.*) (*.*)",
// the entries a Qt dialog lists; a description that already ends with its
// pattern in parentheses is kept as it is.
QString qtNameFilters(const QString &filter);

class QtFileDialogs : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    QString openFile(const QString &filter) override;
    QString saveFile(const QString &filter) override;

private:
    QWidget *m_parent;
};

} // namespace platform
