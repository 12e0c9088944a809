// The program's own pictures: tab icons, stock status icons, the logo; drawn, not loaded.
#pragma once

#include <QIcon>
#include <QPixmap>

// A 32 x 32 tab icon by its index in the program's icon list.
QIcon sekmeSimgesi(int index);
// The icon of a stock status code (0 Yok, 1 Var, 2 Telefon Açınız, 3 Yolda, 4 Özel Sipariş, 5 Tedarik Sürecinde).
QPixmap durumSimgesi(int durum, int size = 16);
// The company logo for the header, at the given height.
QPixmap logoResmi(int height);
// A magnifier for the search bar.
QPixmap aramaResmi(int size);
// The picture of the general-menu button.
QIcon menuSimgesi();
