// Files dragged from another program onto the page: the toolkit's drag and
// drop events, carrying file URLs, sent to the main window as the window
// system delivers them; the window finds the control under the point.
#include "LayerFixture.h"
#include "bag/Common.h"
#include "platform/Errors.h"
#include "platform/Messages.h"

#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUndoStack>
#include <QUrl>

namespace {
struct TDropResult {
    bool entered = false;
    bool dropped = false;
    Qt::DropAction action = Qt::IgnoreAction;
};

// One drag from outside the program: it enters the window at 'at' (layer
// coordinates), moves there and is released.
TDropResult DropOnLayer(LayerFixture& f, const QList<QUrl>& urls, QPoint at,
                        Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint pos = f.At(at);
    TDropResult r;
    QDragEnterEvent enter(pos, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.form.windowHandle(), &enter);
    r.entered = enter.isAccepted();
    QDragMoveEvent move(pos, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.form.windowHandle(), &move);
    QDropEvent drop(pos, offered, &data, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(f.form.windowHandle(), &drop);
    r.dropped = drop.isAccepted();
    r.action = drop.dropAction();
    QCoreApplication::processEvents(); // the files are opened after the drop
    return r;
}

QList<QUrl> Files(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls.append(QUrl::fromLocalFile(p));
    return urls;
}
} // namespace

class TstFileDrop : public QObject {
    Q_OBJECT
private:
    QStringList messages_;

private slots:
    void init() {
        messages_.clear();
        SetMessageSink([this](const QString& text) { messages_.append(text); });
    }
    void cleanup() { SetMessageSink({}); }

    // Dropped over the bare page or over a picture, the files come in the
    // drag's order, each on top, 105 x 105 and stretched; the first at the
    // drop point, each next a step further.
    void droppedPicturesArePlacedAtTheDropPoint_data() {
        QTest::addColumn<bool>("overAPicture");
        QTest::newRow("bare page") << false;
        QTest::newRow("over a picture") << true;
    }
    void droppedPicturesArePlacedAtTheDropPoint() {
        QFETCH(bool, overAPicture);
        LayerFixture f;
        QVERIFY(f.exposed);
        TImageEx* below = f.Place(QRect(150, 100, 200, 200), Qt::green);
        const QPoint at = overAPicture ? QPoint(200, 150) : QPoint(400, 320);
        const QString a = f.Picture("a.png", QSize(30, 20), Qt::blue);
        const QString b = f.Picture("b.bmp", QSize(60, 10), Qt::red);
        const TDropResult r = DropOnLayer(f, Files({a, b}), at);
        QVERIFY(r.entered && r.dropped);
        QCOMPARE(r.action, Qt::CopyAction); // never a move: the source keeps its files
        QCOMPARE(f.form.PlacedImages().size(), 3);
        QCOMPARE(f.form.PlacedImages()[0], below);
        QCOMPARE(f.form.PlacedImages()[1]->FileName(), a);
        QCOMPARE(f.form.PlacedImages()[1]->geometry(), QRect(at, QSize(105, 105)));
        QCOMPARE(f.form.PlacedImages()[2]->FileName(), b);
        QCOMPARE(f.form.PlacedImages()[2]->geometry(), QRect(at + QPoint(16, 16), QSize(105, 105)));
        QVERIFY(f.form.PlacedImages()[1]->Stretch() && f.form.PlacedImages()[2]->Stretch());
        const auto kids = f.form.TransPanel1->findChildren<TImageEx*>(Qt::FindDirectChildrenOnly);
        QCOMPARE(kids, f.form.PlacedImages()); // stacking follows the list
        QCOMPARE(f.form.SelectedImage(), nullptr);
        const QImage shot = f.Screen();
        QCOMPARE(shot.pixel(at), qRgb(0, 0, 255));
        QCOMPARE(shot.pixel(at + QPoint(120, 120)), qRgb(255, 0, 0));
        QVERIFY(messages_.isEmpty());
        // The drop is one step: one undo takes both pictures away.
        f.form.UndoStack()->undo();
        QCOMPARE(f.form.PlacedImages(), QList<TImageEx*>{below});
    }

    // A file that cannot be opened, or whose path LIST.DAT cannot hold, is
    // reported with 開く's message and adds nothing; the others still come.
    void filesThatFailAreReportedAndAddNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("not a bitmap")
            << "bad.bmp" << QByteArray("no picture")
            << QStringLiteral("ファイル %1 はビットマップイメージではありません");
        QTest::newRow("no picture format")
            << "notes.txt" << QByteArray("text")
            << QStringLiteral("拡張子 .txt の画像形式は処理できません");
        QTest::newRow("not in the code page")
            << QStringLiteral("ü\u263A.bmp") << QByteArray() << QString();
    }
    void filesThatFailAreReportedAndAddNothing() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        LayerFixture f;
        QVERIFY(f.exposed);
        QString bad;
        if (content.isEmpty()) {
            bad = f.Picture(name, QSize(10, 10), Qt::blue);
            try { // the open command's own refusal
                CheckImagePathStorable(bad);
                QFAIL("the path was expected to be refused");
            } catch (const EError& e) {
                message = e.Message();
            }
        } else {
            bad = f.dir.filePath(name);
            QFile file(bad);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
            message = message.arg(bad);
        }
        const QString good = f.Picture("good.bmp", QSize(10, 10), Qt::blue);
        DropOnLayer(f, Files({bad, good}), QPoint(40, 50));
        QCOMPARE(messages_, QStringList{message});
        QCOMPARE(f.form.PlacedImages().size(), 1);
        QCOMPARE(f.form.PlacedImages()[0]->FileName(), good);
        QCOMPARE(f.form.PlacedImages()[0]->pos(), QPoint(40, 50)); // no gap left
    }

    // Only local files offered as a copy are taken.
    void dragsWithoutLocalFilesOrACopyAreRefused_data() {
        QTest::addColumn<bool>("web");
        QTest::addColumn<int>("offered");
        QTest::newRow("web address") << true << int(Qt::CopyAction);
        QTest::newRow("move only") << false << int(Qt::MoveAction);
    }
    void dragsWithoutLocalFilesOrACopyAreRefused() {
        QFETCH(bool, web);
        QFETCH(int, offered);
        LayerFixture f;
        QVERIFY(f.exposed);
        const QString path = f.Picture("a.bmp", QSize(10, 10), Qt::blue);
        const QList<QUrl> urls = web ? QList<QUrl>{QUrl("https://localhost/a.bmp")} : Files({path});
        const TDropResult r = DropOnLayer(f, urls, QPoint(40, 50), Qt::DropActions(offered));
        QVERIFY(!r.entered && !r.dropped);
        QVERIFY(f.form.PlacedImages().isEmpty());
        QVERIFY(messages_.isEmpty());
    }
};

QTEST_MAIN(TstFileDrop)
#include "tst_filedrop.moc"
