// The pure geometry by numbers, without a display: the rounding of pixel
// counts, the net and the dashes of the fold styles.
#include "bag/BagNet.h"
#include "bag/FoldStyle.h"
#include "platform/Rounding.h"

#include <QRect>
#include <QTest>
#include <climits>
#include <cmath>

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

    // At 2 pixels a millimetre a valley fold is 6 pixels on, 3 off, and a
    // mountain fold 6 on, 2 off, a dot of 1, 2 off; the last dash is cut
    // at the line's end.
    void foldPatternsInDevicePixels_data() {
        QTest::addColumn<int>("role");
        QTest::addColumn<QList<int>>("ends"); // from, to of each piece along x
        QTest::newRow("valley") << int(TNetRole::Valley)
                                << QList<int>{0, 6, 9, 15, 18, 24, 27, 33, 36, 40};
        QTest::newRow("mountain") << int(TNetRole::Mountain)
                                  << QList<int>{0, 6, 8, 9, 11, 17, 19, 20, 22, 28, 30, 31, 33, 39};
    }
    void foldPatternsInDevicePixels() {
        QFETCH(int, role);
        QFETCH(QList<int>, ends);
        const auto pieces =
            DashPieces({{0, 5}, {40, 5}}, FoldDashPattern(TNetRole(role)), TPixelsPerMm{2, 2});
        QList<int> got;
        for (const QVector<QPoint>& piece : pieces) {
            QCOMPARE(piece.size(), 2);
            QCOMPARE(piece[0].y(), 5);
            QCOMPARE(piece[1].y(), 5);
            got << piece[0].x() << piece[1].x();
        }
        QCOMPARE(got, ends);
    }

    // The pattern runs on over a corner: a dash cut by the corner goes on
    // from it (the corner pixel is the second piece's first), and the gap
    // after it is shortened by what the first leg took.
    void thePatternRunsOnOverCorners() {
        const QVector<double> valley = FoldDashPattern(TNetRole::Valley);
        using Pieces = QVector<QVector<QPoint>>;
        QCOMPARE(
            DashPieces({{0, 0}, {4, 0}, {4, 20}}, valley, {2, 2}),
            (Pieces{{{0, 0}, {4, 0}}, {{4, 0}, {4, 2}}, {{4, 5}, {4, 11}}, {{4, 14}, {4, 20}}}));
        QCOMPARE(
            DashPieces({{0, 0}, {8, 0}, {8, 20}}, valley, {2, 2}),
            (Pieces{{{0, 0}, {6, 0}}, {{8, 1}, {8, 7}}, {{8, 10}, {8, 16}}, {{8, 19}, {8, 20}}}));
    }

    // Across and down have their own scale: a device with twice the pixels
    // a millimetre down dashes a vertical line as the transposed horizontal.
    void eachAxisHasItsOwnScale() {
        const QVector<double> mountain = FoldDashPattern(TNetRole::Mountain);
        const auto across = DashPieces({{0, 0}, {75, 0}}, mountain, {3, 1});
        auto down = DashPieces({{0, 0}, {0, 75}}, mountain, {1, 3});
        for (QVector<QPoint>& piece : down)
            for (QPoint& p : piece)
                p = p.transposed();
        QCOMPARE(down, across);
        QVERIFY(across.size() > 8);
    }

    // Solid where no pattern can be drawn: no role, a scale that is not a
    // positive number, or so many periods that the scale must be absurd.
    void withoutAUsablePatternTheLineStaysSolid_data() {
        QTest::addColumn<QVector<double>>("pattern");
        QTest::addColumn<double>("scale");
        const QVector<double> valley = FoldDashPattern(TNetRole::Valley);
        QTest::newRow("no role") << FoldDashPattern(TNetRole::None) << 2.0;
        QTest::newRow("zero scale") << valley << 0.0;
        QTest::newRow("negative scale") << valley << -3.0;
        QTest::newRow("not a number") << valley << std::nan("");
        QTest::newRow("infinite") << valley << HUGE_VAL;
        QTest::newRow("zero-length dash") << QVector<double>{0.0, 1.0} << 2.0;
        QTest::newRow("absurd period count") << valley << 1e-6;
    }
    void withoutAUsablePatternTheLineStaysSolid() {
        QFETCH(QVector<double>, pattern);
        QFETCH(double, scale);
        const QVector<QPoint> line{{0, 0}, {INT_MAX, 0}, {INT_MAX, INT_MAX}};
        QCOMPARE(DashPieces(line, pattern, {scale, scale}), QVector<QVector<QPoint>>{line});
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
