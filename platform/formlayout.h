// Puts a window's controls at their fixed positions under the names of
// the design, which are also their object names.
#pragma once

#include "platform/controls.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>

namespace platform {

class FormLayout {
public:
    explicit FormLayout(QWidget *form) : m_form(form) {}

    template <class Control>
    Control *place(Control *control, const char *name, QRect geometry) const
    {
        control->setParent(m_form);
        control->setObjectName(QLatin1String(name));
        control->setGeometry(geometry);
        return control;
    }
    QPushButton *button(const char *name, const QString &caption, QRect geometry) const
    {
        return place(new QPushButton(caption), name, geometry);
    }
    QLabel *label(const char *name, const QString &caption, QRect geometry) const
    {
        return place(new QLabel(caption), name, geometry);
    }
    QLineEdit *lineEdit(const char *name, const QString &text, QRect geometry) const
    {
        return place(new QLineEdit(text), name, geometry);
    }
    ListCombo *combo(const char *name, const QString &designText, QRect geometry) const
    {
        return place(new ListCombo(designText), name, geometry);
    }

private:
    QWidget *m_form;
};

} // namespace platform
