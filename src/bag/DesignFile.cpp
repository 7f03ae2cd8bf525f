#include "DesignFile.h"

#include "platform/Errors.h"
#include "platform/FileSystem.h"

#include <QAtomicInteger>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <limits>

namespace {
// Tables of schema version 1. The settings table holds one row.
const char* const kCreateSettings =
    "CREATE TABLE settings (paper_size INTEGER NOT NULL, page_margin INTEGER NOT NULL, "
    "print_lines INTEGER NOT NULL, lines_in_front INTEGER NOT NULL, "
    "color INTEGER NOT NULL, yamaori_color INTEGER NOT NULL, "
    "taniori_color INTEGER NOT NULL, norishiro_color INTEGER NOT NULL)";
const char* const kCreatePictures =
    "CREATE TABLE pictures (stacking INTEGER PRIMARY KEY, "
    "left INTEGER NOT NULL, top INTEGER NOT NULL, width INTEGER NOT NULL, "
    "height INTEGER NOT NULL, stretch INTEGER NOT NULL, path TEXT NOT NULL, "
    "bytes BLOB NOT NULL)";

// The largest paper code the report page knows (Custom).
constexpr qint64 kLastPaperCode = 27;

EError Damaged(const QString& path) {
    return EError(QStringLiteral("デザインファイル %1 は壊れているため開けません").arg(path));
}

// A connection name of its own, removed with the object.
struct TConnectionName {
    TConnectionName() {
        static QAtomicInteger<int> serial;
        Name = QStringLiteral("tesorin-design-%1").arg(serial.fetchAndAddRelaxed(1));
    }
    ~TConnectionName() {
        QSqlDatabase::database(Name, false).close();
        QSqlDatabase::removeDatabase(Name);
    }
    TConnectionName(const TConnectionName&) = delete;
    TConnectionName& operator=(const TConnectionName&) = delete;
    QString Name;
};

// One Qt SQL connection to a database file, for as long as the object
// lives; queries keep SQLite's own error text.
class TDesignDatabase {
public:
    TDesignDatabase(const QString& path, bool readOnly) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_.Name);
        if (!db.isValid())
            throw EError(
                QStringLiteral("デザインファイルを扱えません (SQLite のドライバがありません)"));
        db.setDatabaseName(path);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            throw EError(path + QStringLiteral(": ") + db.lastError().text());
    }

    QSqlDatabase Database() const { return QSqlDatabase::database(name_.Name, false); }

    // A query run at once; false (and the error in Error) when it fails.
    bool Run(QSqlQuery& query, const QString& sql) {
        query = QSqlQuery(Database());
        query.setForwardOnly(true);
        if (query.exec(sql))
            return true;
        error_ = query.lastError().text();
        return false;
    }
    const QString& Error() const { return error_; }

private:
    TConnectionName name_;
    QString error_;
};

// --- writing ---------------------------------------------------------------

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the statement, then the file it is for
void Exec(TDesignDatabase& db, const QString& sql, const QString& target) {
    QSqlQuery q;
    if (!db.Run(q, sql))
        throw EError(target + QStringLiteral(": ") + db.Error());
}

void Check(QSqlQuery& q, const QString& target) {
    if (!q.exec())
        throw EError(target + QStringLiteral(": ") + q.lastError().text());
}

void WriteSettingsRow(TDesignDatabase& db, const TDesign& d, const QString& target) {
    QSqlQuery q(db.Database());
    q.prepare(QStringLiteral("INSERT INTO settings VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const QVariant& v :
         {QVariant(int(d.Settings.PaperSize)), QVariant(d.Settings.PageMargin),
          QVariant(int(d.Settings.PrintLines)), QVariant(int(d.Settings.LinesInFront)),
          QVariant(qint64(d.Color)), QVariant(qint64(d.YamaoriColor)),
          QVariant(qint64(d.TanioriColor)), QVariant(qint64(d.NorishiroColor))})
        q.addBindValue(v);
    Check(q, target);
}

// A null array would be bound as NULL; no bytes are an empty blob.
QVariant BlobOf(const QByteArray& bytes) {
    return QVariant(bytes.isNull() ? QByteArray("") : bytes);
}

void WritePictureRows(TDesignDatabase& db, const TDesign& d, const QString& target) {
    QSqlQuery q(db.Database());
    q.prepare(QStringLiteral("INSERT INTO pictures VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    for (qsizetype i = 0; i < d.Pictures.size(); ++i) {
        const TDesignPicture& p = d.Pictures[i];
        for (const QVariant& v :
             {QVariant(qint64(i)), QVariant(p.Left), QVariant(p.Top), QVariant(p.Width),
              QVariant(p.Height), QVariant(int(p.Stretch)), QVariant(p.Path), BlobOf(p.Bytes)})
            q.addBindValue(v);
        Check(q, target);
    }
}

// The database file made in `file`; nothing of it is kept on a failure.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the new file, then the one it replaces
void BuildDatabase(const TDesign& design, const QString& file, const QString& target) {
    TDesignDatabase db(file, false);
    // The file is built once and copied into place, so it needs no journal.
    Exec(db, QStringLiteral("PRAGMA journal_mode=OFF"), target);
    Exec(db, QStringLiteral("PRAGMA synchronous=OFF"), target);
    Exec(db, QStringLiteral("PRAGMA application_id=%1").arg(DesignApplicationId), target);
    Exec(db, QStringLiteral("PRAGMA user_version=%1").arg(DesignVersion), target);
    if (!db.Database().transaction())
        throw EError(target + QStringLiteral(": ") + db.Database().lastError().text());
    Exec(db, QString::fromLatin1(kCreateSettings), target);
    Exec(db, QString::fromLatin1(kCreatePictures), target);
    WriteSettingsRow(db, design, target);
    WritePictureRows(db, design, target);
    if (!db.Database().commit())
        throw EError(target + QStringLiteral(": ") + db.Database().lastError().text());
}

// --- reading ---------------------------------------------------------------

// Values as the schema declares them; anything else is a damaged file.
class TDesignReader {
public:
    TDesignReader(TDesignDatabase& db, const QString& path) : db_(db), path_(path) {}

    QSqlQuery Query(const QString& sql) {
        QSqlQuery q;
        if (!db_.Run(q, sql))
            throw Damaged(path_);
        return q;
    }
    QSqlQuery FirstRow(const QString& sql) {
        QSqlQuery q = Query(sql);
        if (!q.next())
            throw Damaged(path_);
        return q;
    }
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): column, then its range
    qint64 Integer(const QSqlQuery& q, int column, qint64 low, qint64 high) {
        const QVariant v = q.value(column);
        if (v.typeId() != QMetaType::LongLong && v.typeId() != QMetaType::Int)
            throw Damaged(path_);
        const qint64 n = v.toLongLong();
        if (n < low || n > high)
            throw Damaged(path_);
        return n;
    }
    std::int32_t Int32(const QSqlQuery& q, int column) {
        return std::int32_t(Integer(q, column, std::numeric_limits<std::int32_t>::min(),
                                    std::numeric_limits<std::int32_t>::max()));
    }
    bool Switch(const QSqlQuery& q, int column) { return Integer(q, column, 0, 1) != 0; }
    TColor Color(const QSqlQuery& q, int column) { return TColor(Integer(q, column, 0, 0xFFFFFF)); }

private:
    TDesignDatabase& db_;
    QString path_;
};

// A file that is no SQLite database fails at the first read of its header,
// a damaged one at the check of its structure.
void CheckIdentity(TDesignReader& r, const QString& path) {
    QSqlQuery id = r.FirstRow(QStringLiteral("PRAGMA application_id"));
    if (id.value(0).toLongLong() != DesignApplicationId)
        throw EError(QStringLiteral("%1 は Tesorin のデザインファイルではありません").arg(path));
    QSqlQuery check = r.FirstRow(QStringLiteral("PRAGMA quick_check(1)"));
    if (check.value(0).toString() != QLatin1String("ok"))
        throw Damaged(path);
    QSqlQuery version = r.FirstRow(QStringLiteral("PRAGMA user_version"));
    const qint64 v = version.value(0).toLongLong();
    if (v > DesignVersion)
        throw EError(
            QStringLiteral("%1 は新しい版の Tesorin で保存されたため開けません").arg(path));
    if (v < 1)
        throw Damaged(path);
}

// SQLite checks every cell's size as it reads, and the schema is not
// trusted to run functions of its own.
void Distrust(TDesignReader& r) {
    r.Query(QStringLiteral("PRAGMA trusted_schema=OFF"));
    r.Query(QStringLiteral("PRAGMA cell_size_check=ON"));
}

void ReadSettingsRow(TDesignReader& r, TDesign& d) {
    QSqlQuery q = r.FirstRow(QStringLiteral(
        "SELECT paper_size, page_margin, print_lines, lines_in_front, color, yamaori_color, "
        "taniori_color, norishiro_color FROM settings"));
    d.Settings.PaperSize = TQRPaperSize(r.Integer(q, 0, 0, kLastPaperCode));
    d.Settings.PageMargin = r.Int32(q, 1);
    d.Settings.PrintLines = r.Switch(q, 2);
    d.Settings.LinesInFront = r.Switch(q, 3);
    d.Color = r.Color(q, 4);
    d.YamaoriColor = r.Color(q, 5);
    d.TanioriColor = r.Color(q, 6);
    d.NorishiroColor = r.Color(q, 7);
}

// The count and the bytes are checked before any picture is read.
void CheckPictureTotals(TDesignReader& r, const QString& path, qint64 room) {
    QSqlQuery q = r.FirstRow(
        QStringLiteral("SELECT count(*), total(length(bytes)), max(length(path)) FROM pictures"));
    if (q.value(0).toLongLong() > MaxPlacedImages)
        throw EError(QStringLiteral("%1: 画像は %2 枚までです").arg(path).arg(MaxPlacedImages));
    if (q.value(1).toDouble() > double(room))
        throw EError(QStringLiteral("メモリが足りないためデザイン %1 を開けません").arg(path));
    if (q.value(2).toLongLong() > 4096)
        throw Damaged(path);
}

void ReadPictureRows(TDesignReader& r, const QString& path, TDesign& d) {
    QSqlQuery q = r.Query(QStringLiteral(
        "SELECT left, top, width, height, stretch, path, bytes FROM pictures ORDER BY stacking"));
    while (q.next()) {
        TDesignPicture p;
        p.Left = r.Int32(q, 0);
        p.Top = r.Int32(q, 1);
        p.Width = r.Int32(q, 2);
        p.Height = r.Int32(q, 3);
        if (p.Width < 0 || p.Height < 0)
            throw Damaged(path);
        p.Stretch = r.Switch(q, 4);
        const QVariant name = q.value(5);
        const QVariant bytes = q.value(6);
        if (name.typeId() != QMetaType::QString || bytes.typeId() != QMetaType::QByteArray)
            throw Damaged(path);
        p.Path = name.toString();
        p.Bytes = bytes.toByteArray();
        d.Pictures.append(std::move(p));
    }
    if (q.lastError().isValid())
        throw Damaged(path);
}
} // namespace

void WriteDesignFile(const TDesign& design, const QString& path) {
    TAtomicSave(path, [&](const QString& fresh) { BuildDatabase(design, fresh, path); }).Commit();
}

TDesign ReadDesignFile(const QString& path, qint64 room) {
    {
        // Refuses, without blocking, what is not a regular file: a pipe or a
        // device would block or act on being opened by SQLite.
        QFile probe;
        OpenRegularFile(probe, path);
    }
    TDesignDatabase db(path, true);
    TDesignReader r(db, path);
    Distrust(r);
    CheckIdentity(r, path);
    TDesign design;
    ReadSettingsRow(r, design);
    CheckPictureTotals(r, path, room);
    ReadPictureRows(r, path, design);
    return design;
}
