#pragma once
// Small helpers shared by the window's source files.

#include "platform/com/WideString.h"

#include <QLineEdit>
#include <QPalette>
#include <QProxyStyle>
#include <QString>

namespace tarnwick::app::window {

inline QString Q(const WideString& text) {
    return QString::fromStdU16String(text);
}
inline WideString W(const QString& text) {
    return text.toStdU16String();
}

template <class T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A read-only, flat, panel-coloured edit, as the count and duration fields are.
inline QLineEdit* ReadOnlyField(const char* name) {
    auto* edit = Named(new QLineEdit, name);
    edit->setReadOnly(true);
    edit->setFrame(false);
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Window));
    edit->setPalette(p);
    return edit;
}

// Shows each character of the password as "*", whatever the desktop style uses.
class TPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_LineEdit_PasswordCharacter) return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace tarnwick::app::window
