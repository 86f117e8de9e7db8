// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/dialogs/about_box.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "app/layout_pictures.h"
#include "app/main_form.h"
#include "app/panel.h"
#include "platform/shell_open.h"

namespace grimora {

namespace {

template <typename W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* Text(QWidget* parent, const char* name, const QString& text, const QPoint& at) {
    auto* label = Named(new QLabel(text, parent), name);
    label->move(at);
    label->adjustSize();
    return label;
}

QLabel* WrappedText(QWidget* parent, const char* name, const QString& text, const QRect& at) {
    auto* label = Named(new QLabel(text, parent), name);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(at);
    return label;
}

}  // namespace

QString CopyrightWithYear(const QString& caption, int year) {
    const QString shown = QString::number(year);
    const qsizetype at = caption.indexOf(QStringLiteral("XXXX"));
    if (at < 0) {
        return shown + caption;
    }
    QString result = caption;
    return result.replace(at, 4, shown);
}

TAboutBox::TAboutBox(QWidget* parent, QDate today) : QDialog(parent) {
    buildLayout();
    FormCreate(today);
    connect(BitBtnXP1, &QPushButton::clicked, this, &TAboutBox::BitBtnXP1Click);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::buildLayout() {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Info"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    QFont boxFont = QApplication::font();
    boxFont.setPointSize(8);
    setFont(boxFont);
    const QSize clientSize(664, 453);
    setFixedSize(clientSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, clientSize,
                                        screen->availableGeometry()));
    }

    Panel1 = Named(new Panel(this, kHeaderColour, Bevel::Lowered, Bevel::Raised), "Panel1");
    Panel1->setGeometry(8, 8, 649, 385);

    ProgramIcon = Named(new QLabel(Panel1), "ProgramIcon");
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(AboutLogoPixmap());
    ProgramIcon->setGeometry(16, 40, 306, 322);

    ProductName =
        Text(Panel1, "ProductName", QStringLiteral("A program by the Grimora authors"), {8, 8});
    QFont nameFont(QStringLiteral("Arial Narrow"));
    nameFont.setPixelSize(24);
    nameFont.setBold(true);
    ProductName->setFont(nameFont);
    QPalette namePalette = ProductName->palette();
    namePalette.setColor(QPalette::WindowText, Qt::black);
    ProductName->setPalette(namePalette);
    ProductName->adjustSize();

    Copyright = Text(Panel1, "Copyright", QString::fromUtf8(kCopyrightCaption), {336, 40});
    Comments =
        WrappedText(Panel1, "Comments",
                    QStringLiteral("Written and produced by the Grimora authors. Write to us at "
                                   "authors@grimora.example."),
                    {336, 56, 257, 33});
    Label1 = Text(Panel1, "Label1", QStringLiteral("Pictures that make faces."), {336, 96});
    Label1->setFont(BoldFont(*this));
    Label1->adjustSize();
    Label2 = Text(Panel1, "Label2",
                  QStringLiteral("Many years of bending pixels have gone into it."), {336, 112});
    Label3 = WrappedText(
        Panel1, "Label3",
        QStringLiteral("Grimora is one of a small range of picture programs made by its "
                       "authors. You find all of them, with news and updates, at %1.")
            .arg(QString::fromUtf8(kMakerWebAddress)),
        {336, 128, 238, 121});

    BitBtnXP1 = Named(new QPushButton(QString::fromUtf8(kMakerWebAddress), Panel1), "BitBtnXP1");
    BitBtnXP1->setIcon(QIcon(LayoutPixmap(LayoutPicture::WwwGlyph)));
    BitBtnXP1->setGeometry(336, 240, 169, 25);
    BitBtnXP1->setCursor(Qt::PointingHandCursor);

    BitBtn1 = Named(new QPushButton(QStringLiteral("OK"), this), "BitBtn1");
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    BitBtn1->setGeometry(241, 404, 181, 37);
    BitBtn1->setDefault(true);
}

void TAboutBox::FormCreate(QDate today) {
    Copyright->setText(CopyrightWithYear(Copyright->text(), today.year()));
    Copyright->adjustSize();
}

void TAboutBox::BitBtnXP1Click() {
    ShellOpen(this, QString::fromUtf8(kMakerWebAddress));
}

}  // namespace grimora
