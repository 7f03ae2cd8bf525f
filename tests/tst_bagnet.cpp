// The pure geometry by numbers, without a display: the rounding of pixel
// counts and the net.
#include "bag/BagNet.h"
#include "platform/Rounding.h"

#include <QRect>
#include <QTest>
#include <climits>

class TstBagNet : public QObject {
    Q_OBJECT
private slots:
    void roundingGoesHalfToEven_data() {
        QTest::addColumn<long long>("num");
        QTest::addColumn<long long>("den");
        QTest::addColumn<long long>("expected");
        QTest::newRow("2.5") << 5LL << 2LL << 2LL;
        QTest::newRow("3.5") << 7LL << 2LL << 4LL;
        QTest::newRow("61.5") << 123LL << 2LL << 62LL;
        QTest::newRow("16.76") << 1676LL << 100LL << 17LL;
        QTest::newRow("-2.5") << -5LL << 2LL << -2LL;
        QTest::newRow("-3.5") << -7LL << 2LL << -4LL;
        QTest::newRow("-0.4") << -4LL << 10LL << 0LL;
    }
    void roundingGoesHalfToEven() {
        QFETCH(long long, num);
        QFETCH(long long, den);
        QFETCH(long long, expected);
        QCOMPARE(RoundDiv(num, den), expected);
        QCOMPARE(RoundHalfEven((long double)num / den), expected);
    }

    void workedExamples_data() {
        QTest::addColumn<QRect>("ltrb");     // left, top as x, y; right, bottom as width, height
        QTest::addColumn<QList<int>>("q");   // W H A P G S m d
        QTest::addColumn<QList<int>>("pos"); // x1..x6 y1 y2
        QTest::newRow("A4 screen")
            << QRect(0, 0, 838, 575) << QList<int>{838, 575, 17, 410, 287, 123, 62, 98}
            << QList<int>{18, 79, 140, 427, 489, 550, 415, 477};
        QTest::newRow("125x100") << QRect(0, 0, 125, 100)
                                 << QList<int>{125, 100, 2, 62, 43, 19, 10, 15}
                                 << QList<int>{1, 12, 21, 64, 74, 83, 75, 85};
        QTest::newRow("offset") << QRect(10, 20, 110, 70)
                                << QList<int>{100, 50, 2, 49, 34, 15, 8, 12}
                                << QList<int>{12, 20, 27, 61, 69, 76, 50, 58};
        QTest::newRow("600 dpi print")
            << QRect(232, 232, 6781, 4727) << QList<int>{6549, 4495, 131, 3209, 2246, 963, 482, 770}
            << QList<int>{363, 845, 1326, 3572, 4054, 4535, 3475, 3957};
    }
    void workedExamples() {
        QFETCH(QRect, ltrb);
        QFETCH(QList<int>, q);
        QFETCH(QList<int>, pos);
        const TBagNet n = ComputeBagNet(ltrb.x(), ltrb.y(), ltrb.width(), ltrb.height());
        QCOMPARE((QList<int>{n.W, n.H, n.A, n.P, n.G, n.S, n.m, n.d}), q);
        QCOMPARE((QList<int>{n.x1, n.x2, n.x3, n.x4, n.x5, n.x6, n.y1, n.y2}), pos);
    }

    void primitivesComeInDrawingOrderWithRoles() {
        const TBagNet n = ComputeBagNet(0, 0, 838, 575);
        QCOMPARE(n.Primitives.size(), 17);
        QCOMPARE(n.Primitives.first().Kind, TNetPrimitiveKind::Rectangle);
        QCOMPARE(n.Primitives.last().Kind, TNetPrimitiveKind::FillRect);
        QCOMPARE(n.Primitives.last().Points, (QVector<QPoint>{{0, 0}, {18, 575}}));
        const QList<TNetRole> roles{TNetRole::Mountain, TNetRole::Valley,   TNetRole::Mountain,
                                    TNetRole::Mountain, TNetRole::Valley,   TNetRole::Mountain,
                                    TNetRole::Valley,   TNetRole::Mountain, TNetRole::Valley,
                                    TNetRole::Mountain, TNetRole::Mountain, TNetRole::Valley,
                                    TNetRole::Mountain, TNetRole::Mountain, TNetRole::Mountain};
        for (int i = 1; i <= 15; ++i)
            QCOMPARE(n.Primitives[i].Role, roles[i - 1]);
        // The flap boundary is drawn twice, as the second and sixteenth primitive.
        QCOMPARE(n.Primitives[1].Points, n.Primitives[15].Points);
        QCOMPARE(n.Primitives[1].Points, (QVector<QPoint>{{18, 0}, {18, 575}}));
        // The diagonals of the A4 example.
        QCOMPARE(n.Primitives[10].Points, (QVector<QPoint>{{140, 477}, {238, 575}}));
        QCOMPARE(n.Primitives[11].Points, (QVector<QPoint>{{329, 575}, {427, 477}}));
        QCOMPARE(n.Primitives[13].Points, (QVector<QPoint>{{550, 477}, {648, 575}}));
        QCOMPARE(n.Primitives[14].Points, (QVector<QPoint>{{740, 575}, {838, 477}}));
        QCOMPARE(n.Primitives[9].Points, (QVector<QPoint>{{18, 477}, {79, 415}, {140, 477}}));
    }

    void heightMovesOnlyTheBottomFolds() {
        const TBagNet a = ComputeBagNet(5, 0, 505, 300);
        const TBagNet b = ComputeBagNet(5, 40, 505, 900);
        QCOMPARE((QList<int>{a.x1, a.x2, a.x3, a.x4, a.x5, a.x6}),
                 (QList<int>{b.x1, b.x2, b.x3, b.x4, b.x5, b.x6}));
        QCOMPARE(b.y2 - a.y2, 600);
        QCOMPARE(b.y1 - a.y1, 600);
    }

    void foldsAboveTheTopAreNotClamped() {
        const TBagNet n = ComputeBagNet(0, 0, 1000, 100);
        QCOMPARE(n.d, 118);
        QCOMPARE(n.m, 74);
        QVERIFY(n.y1 < 0);
        QVERIFY(n.y2 < 0);
    }

    void zeroWidthCollapsesEverythingOntoTheLeftEdge() {
        const TBagNet n = ComputeBagNet(7, 3, 7, 50);
        QCOMPARE((QList<int>{n.A, n.P, n.G, n.S, n.m, n.d}), (QList<int>{0, 0, 0, 0, 0, 0}));
        QCOMPARE((QList<int>{n.x1, n.x2, n.x3, n.x4, n.x5, n.x6}), (QList<int>{7, 7, 7, 7, 7, 7}));
        QCOMPARE(n.y1, 50);
        QCOMPARE(n.y2, 50);
    }

    void invertedAndExtremeRectanglesDoNotFail() {
        const TBagNet inv = ComputeBagNet(100, 100, 0, 0);
        QCOMPARE(inv.W, -100);
        const TBagNet huge = ComputeBagNet(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
        QCOMPARE(huge.Primitives.size(), 17);
    }
};

QTEST_GUILESS_MAIN(TstBagNet)
#include "tst_bagnet.moc"
