// The styled push button: layout numbers, glyph strips and their shared
// cache, and the button's pixels in its states and styles.
#include "windows/ButtonEx.h"

#include <QDialog>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

namespace {
// System colours chosen so that none of them equals another or white/grey.
const QColor kFace(192, 192, 192);
const QColor kHighlight(255, 255, 200);
const QColor kShadow(64, 64, 64);
const TColor kButtonColor = RGBColor(200, 220, 240);

void Prepare(TButtonEx& b, QSize size) {
    QPalette pal;
    pal.setColor(QPalette::Button, kFace);
    pal.setColor(QPalette::Light, kHighlight);
    pal.setColor(QPalette::Dark, kShadow);
    pal.setColor(QPalette::ButtonText, Qt::black);
    b.setPalette(pal);
    QFont f = b.font();
    f.setPixelSize(12);
    f.setStyleStrategy(QFont::NoAntialias);
    b.setFont(f);
    b.SetColor(kButtonColor);
    b.resize(size);
}

// What the button paints, on a see-through image.
QImage Render(TButtonEx& b) {
    QImage img(b.size(), QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    b.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}

QImage RenderState(TButtonEx& b, int itemState) {
    QImage img(b.size(), QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    TCanvas canvas(&p);
    b.DrawButton(canvas, itemState);
    return img;
}

const QColor kButton = ToQColor(kButtonColor);

bool Is(const QImage& img, int x, int y, const QColor& c) {
    return img.pixelColor(x, y) == c;
}

// Caption pixels inside the face (black text on the button colour).
QSet<QPair<int, int>> Ink(const QImage& img, const QColor& ink) {
    QSet<QPair<int, int>> set;
    for (int y = 4; y < img.height() - 4; ++y)
        for (int x = 4; x < img.width() - 4; ++x)
            if (img.pixelColor(x, y) == ink)
                set.insert({x, y});
    return set;
}

// A 16 x 16 image on olive (the bottom-left pixel) with a square 4..11.
QImage SquareGlyph(const QColor& square) {
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(QColor(128, 128, 0));
    for (int y = 4; y < 12; ++y)
        for (int x = 4; x < 12; ++x)
            img.setPixelColor(x, y, square);
    return img;
}
} // namespace

class TstButtonEx : public QObject {
    Q_OBJECT
private slots:
    void layoutPlacesGlyphAndCaption_data() {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QSize>("glyph");
        QTest::addColumn<QSize>("text");
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("margin");
        QTest::addColumn<int>("spacing");
        QTest::addColumn<QPoint>("glyphPos");
        QTest::addColumn<QPoint>("textPos");
        const QSize bar(89, 25), tall(60, 80), g(16, 16), t(40, 12), none(0, 0);
        const int left = int(TButtonLayout::GlyphLeft), right = int(TButtonLayout::GlyphRight);
        const int top = int(TButtonLayout::GlyphTop), bottom = int(TButtonLayout::GlyphBottom);
        // Across the axis: glyph (25-16+1)/2 = 5, caption (25-12+1)/2 = 7.
        QTest::newRow("left auto/4")
            << bar << g << t << left << -1 << 4 << QPoint(15, 5) << QPoint(35, 7);
        QTest::newRow("left auto/auto")
            << bar << g << t << left << -1 << -1 << QPoint(11, 5) << QPoint(38, 7);
        QTest::newRow("left 5/auto")
            << bar << g << t << left << 5 << -1 << QPoint(5, 5) << QPoint(35, 7);
        QTest::newRow("left 5/3") << bar << g << t << left << 5 << 3 << QPoint(5, 5)
                                  << QPoint(24, 7);
        QTest::newRow("right auto/4")
            << bar << g << t << right << -1 << 4 << QPoint(58, 5) << QPoint(14, 7);
        QTest::newRow("right auto/auto")
            << bar << g << t << right << -1 << -1 << QPoint(62, 5) << QPoint(11, 7);
        QTest::newRow("right 2/auto")
            << bar << g << t << right << 2 << -1 << QPoint(71, 5) << QPoint(16, 7);
        // Across: glyph (60-16+1)/2 = 22, caption (60-40+1)/2 = 10.
        QTest::newRow("top auto/4")
            << tall << g << t << top << -1 << 4 << QPoint(22, 24) << QPoint(10, 44);
        QTest::newRow("top 6/auto")
            << tall << g << t << top << 6 << -1 << QPoint(22, 6) << QPoint(10, 45);
        QTest::newRow("bottom auto/auto")
            << tall << g << t << bottom << -1 << -1 << QPoint(22, 47) << QPoint(10, 18);
        QTest::newRow("bottom 3/7")
            << tall << g << t << bottom << 3 << 7 << QPoint(22, 61) << QPoint(10, 42);
        // Too little room: the divisions truncate towards zero, not down.
        QTest::newRow("narrow auto/auto") << QSize(20, 10) << g << QSize(41, 12) << left << -1 << -1
                                          << QPoint(-12, -2) << QPoint(-8, 0);
        QTest::newRow("narrow auto/4")
            << QSize(20, 10) << g << t << left << -1 << 4 << QPoint(-19, -2) << QPoint(1, 0);
        // Without a glyph the spacing is 0 and the caption centred.
        QTest::newRow("caption only")
            << bar << none << t << left << -1 << -1 << QPoint(25, 13) << QPoint(25, 7);
        QTest::newRow("glyph only")
            << bar << g << none << right << -1 << 4 << QPoint(36, 5) << QPoint(36, 13);
    }
    void layoutPlacesGlyphAndCaption() {
        QFETCH(QSize, client);
        QFETCH(QSize, glyph);
        QFETCH(QSize, text);
        QFETCH(int, layout);
        QFETCH(int, margin);
        QFETCH(int, spacing);
        QFETCH(QPoint, glyphPos);
        QFETCH(QPoint, textPos);
        const TButtonPlacement p = CalcButtonLayout(client, glyph, text, TButtonLayout(layout),
                                                    margin, spacing, QPoint(0, 0), false);
        QCOMPARE(p.GlyphPos, glyphPos);
        QCOMPARE(p.TextBounds, QRect(textPos, text));
        const TButtonPlacement down = CalcButtonLayout(client, glyph, text, TButtonLayout(layout),
                                                       margin, spacing, QPoint(1, 1), false);
        QCOMPARE(down.GlyphPos, glyphPos + QPoint(1, 1));
        QCOMPARE(down.TextBounds.topLeft(), textPos + QPoint(1, 1));
    }

    void rightToLeftExchangesGlyphLeftAndRight() {
        const QSize c(89, 25), g(16, 16), t(40, 12);
        auto at = [&](TButtonLayout l, bool rtl) {
            return CalcButtonLayout(c, g, t, l, -1, 4, QPoint(), rtl).GlyphPos;
        };
        QCOMPARE(at(TButtonLayout::GlyphLeft, true), at(TButtonLayout::GlyphRight, false));
        QCOMPARE(at(TButtonLayout::GlyphRight, true), at(TButtonLayout::GlyphLeft, false));
        QCOMPARE(at(TButtonLayout::GlyphTop, true), at(TButtonLayout::GlyphTop, false));
    }

    void numGlyphsRules() {
        TButtonEx b("", nullptr);
        QCOMPARE(b.NumGlyphs(), 1);
        b.SetNumGlyphs(7);
        QCOMPARE(b.NumGlyphs(), 4);
        b.SetNumGlyphs(0);
        QCOMPARE(b.NumGlyphs(), 4);
        b.SetNumGlyphs(-2);
        QCOMPARE(b.NumGlyphs(), 4);
        b.SetNumGlyphs(2);
        b.SetGlyph(QImage(64, 16, QImage::Format_RGB32));
        QCOMPARE(b.NumGlyphs(), 4);
        b.SetNumGlyphs(3);
        b.SetGlyph(QImage(80, 16, QImage::Format_RGB32));
        QCOMPARE(b.NumGlyphs(), 1);
        b.SetNumGlyphs(3);
        b.SetGlyph(QImage(40, 16, QImage::Format_RGB32));
        QCOMPARE(b.NumGlyphs(), 3);
        b.SetGlyph(QImage(16, 16, QImage::Format_RGB32));
        QCOMPARE(b.NumGlyphs(), 1);
    }

    void glyphTakesItsTransparentColourFromTheBottomLeftPixel() {
        TButtonEx b("", nullptr);
        QCOMPARE(b.GlyphObject().TransparentColor(), RGBColor(128, 128, 0));
        QImage img = SquareGlyph(Qt::red);
        img.setPixelColor(0, 15, QColor(0, 255, 255));
        b.SetGlyph(img);
        QCOMPARE(b.GlyphObject().TransparentColor(), RGBColor(0, 255, 255));
        // Editing the bitmap itself takes the new corner colour and drops
        // the prepared images.
        Prepare(b, QSize(40, 30));
        Render(b);
        QVERIFY(b.GlyphObject().PreparedIndex(TButtonState::Up) >= 0);
        b.EditGlyph([](QImage& g) { g.setPixelColor(0, 15, QColor(255, 0, 255)); });
        QCOMPARE(b.GlyphObject().TransparentColor(), RGBColor(255, 0, 255));
        QCOMPARE(b.GlyphObject().PreparedIndex(TButtonState::Up), -1);
    }

    void pressingShiftsTheCaptionAndTurnsTheBevel() {
        TButtonEx b("Abc", nullptr);
        Prepare(b, QSize(89, 25));
        const QImage up = Render(b);
        b.setDown(true);
        const QImage down = Render(b);
        const int mx = 44;
        for (int y : {1, 2}) {
            QVERIFY(Is(up, mx, y, kHighlight) && Is(down, mx, y, kShadow));
            QVERIFY(Is(up, y, 12, kHighlight) && Is(down, y, 12, kShadow));
            QVERIFY(Is(up, mx, 24 - y, kShadow) && Is(down, mx, 24 - y, kHighlight));
            QVERIFY(Is(up, 88 - y, 12, kShadow) && Is(down, 88 - y, 12, kHighlight));
        }
        const auto upInk = Ink(up, Qt::black);
        QVERIFY(upInk.size() > 10);
        QSet<QPair<int, int>> shifted;
        for (const auto& p : upInk)
            shifted.insert({p.first + 1, p.second + 1});
        QCOMPARE(Ink(down, Qt::black), shifted);
        // The caption is centred: as much room left as right, give or take one.
        int minX = 99, maxX = 0;
        for (const auto& p : upInk) {
            minX = std::min(minX, p.first);
            maxX = std::max(maxX, p.first);
        }
        QVERIFY(qAbs(minX - (88 - maxX)) <= 3);
    }

    void disabledCaptionIsEngraved() {
        TButtonEx b("Abc", nullptr);
        Prepare(b, QSize(89, 25));
        const auto ink = Ink(Render(b), Qt::black);
        b.setEnabled(false);
        const QImage img = Render(b);
        QVERIFY(Ink(img, Qt::black).isEmpty());
        QCOMPARE(Ink(img, kShadow), ink);
        QSet<QPair<int, int>> highlight;
        for (const auto& p : ink)
            if (!ink.contains({p.first + 1, p.second + 1}))
                highlight.insert({p.first + 1, p.second + 1});
        QCOMPARE(Ink(img, kHighlight), highlight);
    }

    void focusDrawsADottedInvertingRectangleInsideTheBevel() {
        TButtonEx b("", nullptr);
        Prepare(b, QSize(40, 20));
        const QImage plain = RenderState(b, 0);
        const QImage focused = RenderState(b, TButtonEx::odsFocus);
        const QColor inverted(255 - 200, 255 - 220, 255 - 240);
        QVERIFY(Is(focused, 4, 4, inverted));
        QVERIFY(Is(focused, 5, 4, kButton));
        QVERIFY(Is(focused, 35, 15, inverted) || Is(focused, 35, 14, inverted));
        QVERIFY(Is(focused, 20, 10, kButton));
        QCOMPARE(focused.copy(0, 0, 40, 4), plain.copy(0, 0, 40, 4));
    }

    void onDrawTakesOverAllPainting() {
        TButtonEx b("Abc", nullptr);
        Prepare(b, QSize(40, 20));
        int calls = 0;
        int state = -1;
        QObject* sender = nullptr;
        b.SetOnDraw([&](QObject* s, TCanvas& canvas, int itemState) {
            ++calls;
            sender = s;
            state = itemState;
            canvas.SetBrushColor(clRed);
            canvas.FillRect(3, 3, 4, 4);
        });
        b.setDown(true);
        const QImage img = Render(b);
        QCOMPARE(calls, 1);
        QCOMPARE(sender, &b);
        QCOMPARE(state, TButtonEx::odsSelected);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                QCOMPARE(img.pixelColor(x, y).alpha(), (x == 3 && y == 3) ? 255 : 0);
    }

    void stylesLeaveTwoOneOrNoBevelRings_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("rings");
        QTest::newRow("Normal") << int(TButtonStyle::Normal) << 2;
        QTest::newRow("Flat") << int(TButtonStyle::Flat) << 1;
        QTest::newRow("UltraFlat") << int(TButtonStyle::UltraFlat) << 0;
    }
    void stylesLeaveTwoOneOrNoBevelRings() {
        QFETCH(int, style);
        QFETCH(int, rings);
        TButtonEx b("", nullptr);
        Prepare(b, QSize(40, 20));
        b.SetButtonStyle(TButtonStyle(style));
        const QImage img = Render(b);
        // Along the straight edges, away from the corners.
        for (int x = 4; x < 36; ++x) {
            QVERIFY(Is(img, x, 0, Qt::black) && Is(img, x, 19, Qt::black));
            for (int d = 1; d <= 3; ++d) {
                const bool ring = d <= rings;
                QVERIFY(Is(img, x, d, ring ? kHighlight : kButton));
                QVERIFY(Is(img, x, 19 - d, ring ? kShadow : kButton));
            }
        }
        for (int y = 4; y < 16; ++y)
            for (int d = 1; d <= 3; ++d)
                QVERIFY(Is(img, d, y, d <= rings ? kHighlight : kButton));
        // The rounded outline leaves the outermost corner pixel alone; the
        // ring shows there even with UltraFlat.
        QCOMPARE(img.pixelColor(0, 0).alpha(), 0);
        QVERIFY(Is(img, 1, 1, kHighlight));
        QVERIFY(Is(img, 38, 18, kShadow));
    }

    void glyphIsDrawnTransparentlyAndFollowsThePress() {
        TButtonEx b("", nullptr);
        Prepare(b, QSize(60, 30));
        b.SetGlyph(SquareGlyph(Qt::red));
        const QImage up = Render(b);
        // Centred: ((60-16+1)/2, (30-16+1)/2) = (22, 7).
        QVERIFY(Is(up, 22 + 4, 7 + 4, Qt::red));
        QVERIFY(Is(up, 22 + 11, 7 + 11, Qt::red));
        QVERIFY(Is(up, 22 + 3, 7 + 4, kButton));
        QVERIFY(Is(up, 22 + 12, 7 + 11, kButton));
        b.setDown(true);
        const QImage down = Render(b);
        QVERIFY(Is(down, 23 + 4, 8 + 4, Qt::red));
        QVERIFY(Is(down, 22 + 4, 7 + 4, kButton));
    }

    void singleImageGlyphIsEngravedWhenDisabled() {
        TButtonEx b("", nullptr);
        Prepare(b, QSize(60, 30));
        b.SetGlyph(SquareGlyph(Qt::red));
        b.setEnabled(false);
        const QImage img = Render(b);
        const QPoint o(22, 7);
        auto at = [&](int x, int y) { return img.pixelColor(o.x() + x, o.y() + y); };
        QCOMPARE(at(4, 4), kShadow);
        QCOMPARE(at(11, 11), kShadow);
        QCOMPARE(at(12, 12), kHighlight);
        QCOMPARE(at(12, 5), kHighlight);
        QCOMPARE(at(5, 12), kHighlight);
        QCOMPARE(at(12, 4), kButton);
        QCOMPARE(at(3, 3), kButton);
        QCOMPARE(at(13, 13), kButton);
    }

    void stripUsesItsOwnDisabledAndDownImages() {
        // Up: red square; disabled: white, grey and blue pixels; down: green.
        QImage strip(48, 16, QImage::Format_RGB32);
        strip.fill(QColor(128, 128, 0));
        QPainter p(&strip);
        p.drawImage(0, 0, SquareGlyph(Qt::red));
        p.fillRect(16 + 2, 2, 3, 3, Qt::white);
        p.fillRect(16 + 6, 2, 3, 3, QColor(128, 128, 128));
        p.fillRect(16 + 10, 2, 3, 3, Qt::blue);
        p.drawImage(32, 0, SquareGlyph(Qt::green));
        p.end();
        TButtonEx b("", nullptr);
        Prepare(b, QSize(60, 30));
        b.SetGlyph(strip);
        QCOMPARE(b.NumGlyphs(), 3);
        const QPoint o(22, 7);
        b.setEnabled(false);
        QImage img = Render(b);
        QCOMPARE(img.pixelColor(o + QPoint(3, 3)), kHighlight);
        QCOMPARE(img.pixelColor(o + QPoint(7, 3)), kShadow);
        QCOMPARE(img.pixelColor(o + QPoint(11, 3)), QColor(Qt::blue));
        QCOMPARE(img.pixelColor(o + QPoint(7, 8)), kButton);
        b.setEnabled(true);
        b.setDown(true);
        img = Render(b);
        QCOMPARE(img.pixelColor(o + QPoint(1 + 5, 1 + 5)), QColor(Qt::green));
        // With only two images the pressed state falls back to the first.
        b.SetNumGlyphs(2);
        img = Render(b);
        QCOMPARE(img.pixelColor(o + QPoint(1 + 5, 1 + 5)), QColor(Qt::red));
    }

    void glyphImagesAreSharedPerSizeAndReleased() {
        QVERIFY(GlyphCache() == nullptr);
        {
            TButtonEx a("", nullptr), b("", nullptr), c("", nullptr);
            for (TButtonEx* x : {&a, &b, &c})
                Prepare(*x, QSize(60, 30));
            a.SetGlyph(SquareGlyph(Qt::red));
            b.SetGlyph(SquareGlyph(Qt::blue));
            c.SetGlyph(QImage(20, 20, QImage::Format_RGB32));
            QVERIFY(GlyphCache() == nullptr); // nothing prepared before a paint
            Render(a);
            Render(b);
            Render(c);
            QVERIFY(GlyphCache() != nullptr);
            QCOMPARE(GlyphCache()->ListCount(), 2);
            QCOMPARE(a.GlyphObject().List(), b.GlyphObject().List());
            QCOMPARE(a.GlyphObject().List()->Count(), 2);
            QVERIFY(a.GlyphObject().PreparedIndex(TButtonState::Up) !=
                    b.GlyphObject().PreparedIndex(TButtonState::Up));
            const int slotOfA = a.GlyphObject().PreparedIndex(TButtonState::Up);
            // Dropping a's images frees its slot for the next image.
            a.EditGlyph([](QImage&) {});
            QCOMPARE(b.GlyphObject().List()->Count(), 1);
            a.setEnabled(false);
            Render(a);
            QCOMPARE(a.GlyphObject().PreparedIndex(TButtonState::Disabled), slotOfA);
            // A list goes when its last image goes.
            c.SetGlyph(QImage());
            QCOMPARE(GlyphCache()->ListCount(), 1);
        }
        QVERIFY(GlyphCache() == nullptr);
    }

    void aDoubleClickCountsAsASecondClick() {
        TButtonEx b("Abc", nullptr);
        b.resize(89, 25);
        QSignalSpy clicks(&b, &QAbstractButton::clicked);
        // The toolkit's order: press, release, double click, release.
        QTest::mouseClick(&b, Qt::LeftButton);
        QTest::mouseDClick(&b, Qt::LeftButton);
        QTest::mouseRelease(&b, Qt::LeftButton);
        QCOMPARE(clicks.size(), 2);
    }

    void kindOkAndCancelGiveCaptionResultAndRole() {
        QDialog dialog;
        TButtonEx ok("", &dialog);
        TButtonEx cancel("", &dialog);
        ok.SetKind(TBitBtnKind::OK);
        cancel.SetKind(TBitBtnKind::Cancel);
        QCOMPARE(ok.text(), QStringLiteral("OK"));
        QCOMPARE(cancel.text(), QStringLiteral("キャンセル"));
        QVERIFY(ok.Glyph().isNull() && cancel.Glyph().isNull());
        QVERIFY(ok.isDefault() && !cancel.isDefault());
        QVERIFY(cancel.Cancel() && !ok.Cancel());

        dialog.show();
        ok.click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));

        dialog.show();
        cancel.click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void enterPressesTheDefaultAndEscapeTheCancelButton() {
        QDialog dialog;
        TButtonEx ok("", &dialog);
        TButtonEx cancel("", &dialog);
        ok.SetKind(TBitBtnKind::OK);
        cancel.SetKind(TBitBtnKind::Cancel);
        QSignalSpy okClicks(&ok, &QAbstractButton::clicked);
        QSignalSpy cancelClicks(&cancel, &QAbstractButton::clicked);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(cancelClicks.size(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));

        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(okClicks.size(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
    }
};

QTEST_MAIN(TstButtonEx)
#include "tst_buttonex.moc"
