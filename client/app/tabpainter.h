// Counted tab captions: "count=title" is drawn as the title with a red "(count)" at the upper right.
#pragma once

#include <QProxyStyle>
#include <QString>

// A parsed caption; built afresh for every tab painted.
struct TSonuc {
    int sayi = 0;   // the count; 0 without an equals sign or when the count part is not a whole number
    QString baslik; // the title to draw
};

// Splits a caption at its first "=": the count before it, at most 100 characters of title after it.
TSonuc CaptionCoz(const QString& caption);

// Paints the tabs of every tab bar of the program; everything else is the base style's.
class TTabColorControlStyleHook : public QProxyStyle {
public:
    explicit TTabColorControlStyleHook(QStyle* base = nullptr);

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;

    // Where the badge of a tab is drawn, for a tab rectangle; exposed so it can be checked.
    static QRect badgeRect(const QRect& tabRect, const QString& badge, const QFontMetrics& fm);
};
