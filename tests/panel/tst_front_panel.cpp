#include "panel/front_panel.h"
#include "panel/panel_colours.h"
#include "panel/panel_field.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

// The window's Panel4 stands in as the host.
struct Host
{
    Host()
    {
        widget.setObjectName(QStringLiteral("Panel4"));
        widget.resize(784, 192);
        QFont font(QStringLiteral("Calibri"));
        font.setPixelSize(15);
        font.setBold(true);
        widget.setFont(font);
        panel::buildFrontPanel(controls, &widget);
    }

    QWidget *find(const QString &name) const { return widget.findChild<QWidget *>(name); }

    QWidget widget;
    panel::FrontPanelControls controls;
};

} // namespace

class TestFrontPanel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_host = std::make_unique<Host>(); }
    void cleanupTestCase() { m_host.reset(); }

    void everyMemberHoldsTheControlOfItsName();
    void controlsSitWhereDesigned_data();
    void controlsSitWhereDesigned();
    void displayPanelsShareOnePlaceAndOneIsShown();
    void menusAreHiddenWithTheirItems_data();
    void menusAreHiddenWithTheirItems();
    void toolRowButtonsStartInTheirDesignState();
    void picturesAreReadyForTheDiodeDisplay();

private:
    std::unique_ptr<Host> m_host;
};

void TestFrontPanel::everyMemberHoldsTheControlOfItsName()
{
    const panel::FrontPanelControls &c = m_host->controls;
#define M(name) std::pair<const char *, QWidget *>(#name, c.name)
    const std::pair<const char *, QWidget *> members[] = {
        M(P5), M(JvPanel1), M(SP4), M(SP3), M(SP2), M(SBe1), M(LangCombo1), M(JvPanel3), M(Panel_RLCD),
        M(L_Level_RLC), M(L_freq_RLC), M(L_Sec_RLC), M(L_RQD_avto), M(L_SER_PER), M(L_sec_n), M(L_prim_n),
        M(L_Prim_RLC), M(L_RLC_avto), M(L_SER_PER1), M(L_righ1), M(L_righ2), M(L_righ3), M(L_righ4),
        M(Panel_RD), M(Im_Diod), M(RD_V), M(RD_J1), M(J_prim), M(Joo), M(RD_J), M(RD_Prim), M(RD_prim_R),
        M(RD_Auto), M(Panel_U), M(U_vrm), M(U_pp), M(U_Prim), M(P_prim_RLC), M(SText_prim_RLC),
        M(ListBox_prim_RLC), M(P_sec_RLC), M(SText_sec_RLC), M(ListBox_sec_RLC), M(P_ser_per),
        M(SText_ser_per), M(ListBox_ser_per), M(P_level_RLC), M(SText_level_RLC), M(ListBox_Level_RLC),
        M(P_freq_RLC), M(SText_freq_RLC), M(ListBox_freq_RLC),
    };
#undef M
    for (const auto &[name, widget] : members) {
        QVERIFY2(widget, name);
        QCOMPARE(widget->objectName(), QLatin1String(name));
        QCOMPARE(m_host->widget.findChildren<QWidget *>(QLatin1String(name)).size(), 1);
    }
    // Nothing named beyond the members, so the names alone reach every control.
    QSet<QString> names;
    for (const auto &member : members)
        names.insert(QLatin1String(member.first));
    for (QWidget *widget : m_host->widget.findChildren<QWidget *>()) {
        const QString name = widget->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")))
            QVERIFY2(names.contains(name), qPrintable(name));
    }
}

void TestFrontPanel::controlsSitWhereDesigned_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<int>("fontPx"); // 0 = not checked
    QTest::addColumn<int>("align");  // horizontal alignment; 0 = not checked
    QTest::addColumn<QString>("text");

    const int L = Qt::AlignLeft, R = Qt::AlignRight, C = Qt::AlignHCenter;
    auto row = [](const char *name, const char *parent, QRect geometry, int fontPx, int align,
                  const QString &text = QString()) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(parent) << geometry << fontPx
                            << align << text;
    };
    row("P5", "Panel4", {0, 0, 601, 192}, 15, 0);
    row("JvPanel1", "P5", {0, 0, 601, 41}, 15, 0);
    row("JvPanel3", "P5", {0, 41, 601, 151}, 15, 0);
    row("SP4", "JvPanel1", {7, 5, 114, 28}, 15, 0, QStringLiteral("Яркость"));
    row("SP3", "JvPanel1", {127, 5, 114, 28}, 15, 0, QStringLiteral("Захват"));
    row("SP2", "JvPanel1", {246, 5, 114, 28}, 15, 0, QStringLiteral("Звук"));
    row("SBe1", "JvPanel1", {366, 5, 114, 28}, 15, 0, QStringLiteral("По умолчанию"));
    row("LangCombo1", "JvPanel1", {487, 6, 114, 26}, 15, 0);

    row("L_Level_RLC", "Panel_RLCD", {25, 2, 129, 26}, 27, R);
    row("L_freq_RLC", "Panel_RLCD", {222, 2, 109, 26}, 27, R);
    row("L_Sec_RLC", "Panel_RLCD", {24, 34, 30, 42}, 40, R);
    row("L_RQD_avto", "Panel_RLCD", {56, 35, 16, 18}, 19, C, QStringLiteral("A"));
    row("L_SER_PER", "Panel_RLCD", {58, 55, 16, 22}, 19, L);
    row("L_sec_n", "Panel_RLCD", {82, 34, 263, 42}, 40, L);
    row("L_Prim_RLC", "Panel_RLCD", {5, 78, 34, 57}, 60, L);
    row("L_RLC_avto", "Panel_RLCD", {41, 82, 13, 25}, 19, L);
    row("L_SER_PER1", "Panel_RLCD", {41, 113, 14, 20}, 19, C);
    row("L_righ1", "Panel_RLCD", {405, 4, 166, 33}, 27, L);
    row("L_righ2", "Panel_RLCD", {405, 36, 166, 33}, 27, L);
    row("L_righ3", "Panel_RLCD", {405, 67, 166, 33}, 27, L);
    row("L_righ4", "Panel_RLCD", {405, 98, 166, 33}, 27, L);

    row("Im_Diod", "Panel_RD", {1, 0, 60, 80}, 0, 0);
    row("RD_V", "Panel_RD", {80, 5, 85, 26}, 27, L);
    row("RD_J1", "Panel_RD", {209, 0, 166, 33}, 27, L);
    row("J_prim", "Panel_RD", {56, 34, 30, 42}, 40, R);
    row("RD_J", "Panel_RD", {105, 34, 263, 42}, 40, L);
    row("RD_prim_R", "Panel_RD", {5, 78, 40, 57}, 60, L);
    row("RD_Auto", "Panel_RD", {41, 82, 14, 20}, 19, C);

    row("U_vrm", "Panel_U", {105, 0, 263, 40}, 40, L);
    row("U_pp", "Panel_U", {105, 40, 263, 40}, 40, L);

    row("P_prim_RLC", "JvPanel3", {40, 34, 143, 117}, 15, 0);
    row("P_sec_RLC", "JvPanel3", {85, 49, 193, 102}, 15, 0);
    row("P_ser_per", "JvPanel3", {70, 73, 149, 78}, 15, 0);
    row("P_level_RLC", "JvPanel3", {146, 30, 179, 108}, 15, 0);
    row("P_freq_RLC", "JvPanel3", {330, 1, 179, 150}, 15, 0);
}

void TestFrontPanel::controlsSitWhereDesigned()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, geometry);
    QFETCH(int, fontPx);
    QFETCH(int, align);
    QFETCH(QString, text);

    QWidget *widget = m_host->find(name);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget()->objectName(), parent);
    QCOMPARE(widget->geometry(), geometry);
    if (fontPx)
        QCOMPARE(widget->font().pixelSize(), fontPx);
    QVERIFY(widget->font().bold());
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        QCOMPARE(label->text(), text);
        if (align)
            QCOMPARE(int(label->alignment() & Qt::AlignHorizontal_Mask), align);
    } else if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        QCOMPARE(button->text(), text);
    }
}

void TestFrontPanel::displayPanelsShareOnePlaceAndOneIsShown()
{
    const panel::FrontPanelControls &c = m_host->controls;
    for (QFrame *display : {c.Panel_RLCD, c.Panel_RD, c.Panel_U}) {
        QCOMPARE(display->parentWidget(), c.JvPanel3);
        QCOMPARE(display->geometry(), QRect(6, 0, 584, 140));
        QCOMPARE(display->font().pixelSize(), 27);
        QVERIFY(display->autoFillBackground());
        QCOMPARE(display->palette().color(QPalette::Window), panel::displayColour());
    }
    QVERIFY(!c.Panel_RLCD->isHidden());
    QVERIFY(c.Panel_RD->isHidden());
    QVERIFY(c.Panel_U->isHidden());

    // Fields take the panel's colour instead of painting their own.
    for (QLabel *field : c.Panel_RLCD->findChildren<QLabel *>())
        QVERIFY2(!field->autoFillBackground(), qPrintable(field->objectName()));
    // The self-sizing value labels never catch the pointer meant for a field.
    for (QLabel *value : {c.L_prim_n, c.RD_Prim, c.U_Prim}) {
        QVERIFY(value->testAttribute(Qt::WA_TransparentForMouseEvents));
        QCOMPARE(value->height(), 73);
        QCOMPARE(value->font().pixelSize(), 60);
        QVERIFY(value->text().isEmpty());
    }
    QCOMPARE(c.L_prim_n->pos(), QPoint(60, 70));
    QCOMPARE(c.RD_Prim->pos(), QPoint(60, 70));
    QCOMPARE(c.U_Prim->pos(), QPoint(90, 70));
}

void TestFrontPanel::menusAreHiddenWithTheirItems_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("captionHeight");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QSize>("listSize");
    QTest::addColumn<int>("lineHeight");
    QTest::addColumn<QStringList>("items");

    const QString automatic = QStringLiteral("Автовыбор");
    QTest::newRow("primary") << "P_prim_RLC" << QStringLiteral(" Основной параметр") << 20 << "ListBox_prim_RLC"
                             << QSize(141, 95) << 18
                             << QStringList{automatic, QStringLiteral("R сопротивление"), QStringLiteral("C емкость"),
                                            QStringLiteral("L индуктивность"), QStringLiteral("Z импеданс")};
    QTest::newRow("secondary") << "P_sec_RLC" << QStringLiteral("Дополнительный параметр") << 18
                               << "ListBox_sec_RLC" << QSize(191, 82) << 18
                               << QStringList{automatic, QStringLiteral("R сопротивление"),
                                              QStringLiteral("Q добротность"),
                                              QStringLiteral("D тангенс угла потерь")};
    QTest::newRow("circuit") << "P_ser_per" << QStringLiteral("Схема замещения") << 18 << "ListBox_ser_per"
                             << QSize(147, 58) << 18
                             << QStringList{automatic, QStringLiteral("p-параллельная"),
                                            QStringLiteral("s- последовательная")};
    QTest::newRow("level") << "P_level_RLC" << QStringLiteral(" Уровень тестового сигнала") << 21
                           << "ListBox_Level_RLC" << QSize(177, 85) << 20
                           << QStringList{automatic, QStringLiteral(" 1.0Вскз"), QStringLiteral(" 0.5Вскз"),
                                          QStringLiteral(" 0.1Вскз")};
    QTest::newRow("frequency") << "P_freq_RLC" << QStringLiteral(" Частота тестового сигнала") << 22
                               << "ListBox_freq_RLC" << QSize() << 20
                               << QStringList{automatic,
                                              QStringLiteral("100 Гц"),
                                              QStringLiteral("120 Гц"),
                                              QStringLiteral("1кГц"),
                                              QStringLiteral("10кГц"),
                                              QStringLiteral("100кГц"),
                                              QStringLiteral("20кГц"),
                                              QStringLiteral("30кГц"),
                                              QStringLiteral("40кГц"),
                                              QStringLiteral("50кГц"),
                                              QStringLiteral("60кГц"),
                                              QStringLiteral("70кГц"),
                                              QStringLiteral("80кГц"),
                                              QStringLiteral("90кГц"),
                                              QStringLiteral("150кГц")};
}

void TestFrontPanel::menusAreHiddenWithTheirItems()
{
    QFETCH(QString, menu);
    QFETCH(QString, caption);
    QFETCH(int, captionHeight);
    QFETCH(QString, list);
    QFETCH(QSize, listSize);
    QFETCH(int, lineHeight);
    QFETCH(QStringList, items);

    auto *panelWidget = qobject_cast<QFrame *>(m_host->find(menu));
    auto *listBox = qobject_cast<QListWidget *>(m_host->find(list));
    QVERIFY(panelWidget && listBox);
    QVERIFY(panelWidget->isHidden());
    QVERIFY(listBox->isHidden());
    QCOMPARE(listBox->parentWidget(), panelWidget);
    if (listSize.isValid())
        QCOMPARE(listBox->size(), listSize);

    // The caption line at the top, the list below it, both inside the menu.
    const auto captions = panelWidget->findChildren<QLabel *>(Qt::FindDirectChildrenOnly);
    QCOMPARE(captions.size(), 1);
    const QLabel *captionLine = captions.first();
    QCOMPARE(captionLine->text(), caption);
    QCOMPARE(captionLine->height(), captionHeight);
    QVERIFY(captionLine->geometry().top() <= 2);
    QVERIFY(listBox->geometry().top() > captionLine->geometry().bottom());
    QVERIFY(panelWidget->rect().contains(captionLine->geometry()));
    QVERIFY(panelWidget->rect().contains(listBox->geometry()));

    QStringList actual;
    for (int i = 0; i < listBox->count(); ++i)
        actual << listBox->item(i)->text();
    QCOMPARE(actual, items);
    QCOMPARE(listBox->currentRow(), -1);

    // Line heights show once laid out, so look at a shown copy of the menu.
    panelWidget->show();
    listBox->show();
    m_host->widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_host->widget));
    QCOMPARE(listBox->visualItemRect(listBox->item(1)).height(), lineHeight);
    m_host->widget.hide();
    listBox->hide();
    panelWidget->hide();
}

void TestFrontPanel::toolRowButtonsStartInTheirDesignState()
{
    const panel::FrontPanelControls &c = m_host->controls;
    for (QToolButton *toggle : {c.SP4, c.SP3, c.SP2}) {
        QVERIFY(toggle->isCheckable());
        QVERIFY(!toggle->icon().isNull());
    }
    QVERIFY(c.SP4->isChecked());
    QVERIFY(!c.SP3->isChecked());
    QVERIFY(!c.SP2->isChecked());
    QVERIFY(!c.SBe1->isCheckable());
    QVERIFY(!c.LangCombo1->isHidden());
    QCOMPARE(c.ListBox_freq_RLC->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

void TestFrontPanel::picturesAreReadyForTheDiodeDisplay()
{
    const panel::FrontPanelControls &c = m_host->controls;
    QCOMPARE(c.ImList1.size(), 3);
    for (const QPixmap &picture : c.ImList1)
        QCOMPARE(picture.size(), QSize(60, 80));
    QVERIFY(c.Im_Diod->hasScaledContents());
    QCOMPARE(int(c.Im_Diod->alignment()), int(Qt::AlignCenter));
}

QTEST_MAIN(TestFrontPanel)
#include "tst_front_panel.moc"
