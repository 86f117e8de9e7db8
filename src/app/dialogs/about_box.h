// SPDX-License-Identifier: GPL-3.0-or-later
// The about box: the makers' notices, their logo and the way to their web
// site.
#pragma once

#include <QDate>
#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace grimora {

class Panel;

inline constexpr const char* kCopyrightCaption = "Copyright \u00a9 XXXX The Grimora authors";

// `caption` with its first "XXXX" replaced by `year`; the year in front of
// the whole caption when it has no "XXXX".
QString CopyrightWithYear(const QString& caption, int year);

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    // `today` gives the year of the copyright line.
    explicit TAboutBox(QWidget* parent, QDate today = QDate::currentDate());

    void BitBtnXP1Click();

    Panel* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* Comments = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* BitBtnXP1 = nullptr;
    QPushButton* BitBtn1 = nullptr;

private:
    void buildLayout();
    void FormCreate(QDate today);
};

}  // namespace grimora
