#include "PrinterMedia.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <cmath>
#include <cstdio>
#include <cups/cups.h>
#include <future>
#include <memory>
#include <system_error>
#include <thread>

namespace {
constexpr double kToleranceMm = 1.5;
// Resolutions outside this range are taken as a faulty description.
constexpr int kLowestDpi = 72;
constexpr int kHighestDpi = 4800;

int Plausible(int dpi) {
    return dpi >= kLowestDpi && dpi <= kHighestDpi ? dpi : 0;
}

// A "Resolution" option as queues state it: "600dpi", "600x1200dpi" (the
// horizontal value is taken) or in dots per centimetre.
int ParseResolution(const char* text) {
    int x = 0;
    int y = 0;
    char unit[8] = {};
    const int read = std::sscanf(text, "%dx%d%7s", &x, &y, unit);
    if (read < 3 && std::sscanf(text, "%d%7s", &x, unit) < 2)
        return 0;
    const QByteArray u(unit);
    if (u == "dpi")
        return Plausible(x);
    if (u == "dpc" || u == "dpcm")
        return Plausible(int(std::lround(x * 2.54)));
    return 0;
}

// The queue's own choice (lpoptions), else the printer's default.
int DefaultResolution(cups_dest_t* dest, cups_dinfo_t* info) {
    const char* chosen = cupsGetOption("Resolution", dest->num_options, dest->options);
    if (const int dpi = chosen ? ParseResolution(chosen) : 0)
        return dpi;
    ipp_attribute_t* attr =
        cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "printer-resolution");
    if (!attr)
        return 0;
    ipp_res_t units = IPP_RES_PER_INCH;
    int y = 0;
    const int x = ippGetResolution(attr, 0, &y, &units);
    return Plausible(units == IPP_RES_PER_INCH ? x : int(std::lround(x * 2.54)));
}

// CUPS sizes are hundredths of a millimetre.
QSize ClosestMedia(cups_dest_t* dest, cups_dinfo_t* info, QSizeF mm) {
    QSize best;
    double bestError = kToleranceMm * 2;
    const int count =
        cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_FLAGS_DEFAULT);
    for (int i = 0; i < count; ++i) {
        cups_size_t size{};
        if (!cupsGetDestMediaByIndex(CUPS_HTTP_DEFAULT, dest, info, i, CUPS_MEDIA_FLAGS_DEFAULT,
                                     &size))
            continue;
        const double w = std::min(size.width, size.length) / 100.0;
        const double l = std::max(size.width, size.length) / 100.0;
        const double dw = std::abs(w - mm.width());
        const double dl = std::abs(l - mm.height());
        if (dw <= kToleranceMm && dl <= kToleranceMm && dw + dl < bestError) {
            bestError = dw + dl;
            best = QSize(int(std::lround(w * 72 / 25.4)), int(std::lround(l * 72 / 25.4)));
        }
    }
    return best;
}

// What `ask` reads of the printer's destination and its details, or `none`
// when the server does not know the printer.
template <typename T, typename F> T AskServer(const QString& printer, T none, F ask) {
    const QByteArray name = printer.toLocal8Bit();
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(), nullptr);
    if (!dest)
        return none;
    T answer = none;
    if (cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest)) {
        answer = ask(dest, info);
        cupsFreeDestInfo(info);
    }
    cupsFreeDests(1, dest);
    return answer;
}
} // namespace

QSize ServerMediaPoints(const QString& printer, QSizeF mm) {
    return AskServer(printer, QSize(), [mm](cups_dest_t* dest, cups_dinfo_t* info) {
        return ClosestMedia(dest, info, mm);
    });
}

int ServerResolution(const QString& printer) {
    return AskServer(printer, 0, DefaultResolution);
}

namespace {
// Any HTTP answer will do, even a refusal: the server is there and answers.
// A HEAD request asks nothing of the scheduler's state and no password. A
// failure that comes well before the time is up (a refused connection takes
// well under a millisecond) is a refusal; one near it, a wait given up.
bool Unanswered(const QByteArray& server, int port, http_encryption_t encryption, int ms) {
    const auto gaveUp = [ms](const QElapsedTimer& clock) { return clock.elapsed() >= ms / 2; };
    QElapsedTimer clock;
    clock.start();
    http_t* http =
        httpConnect2(server.constData(), port, nullptr, AF_UNSPEC, encryption, 1, ms, nullptr);
    if (!http)
        return gaveUp(clock);
    httpSetTimeout(http, ms / 1000.0, nullptr, nullptr);
    bool answered = false;
    clock.restart();
    if (httpHead(http, "/") == 0) {
        http_status_t status = HTTP_STATUS_CONTINUE;
        while (status == HTTP_STATUS_CONTINUE)
            status = httpUpdate(http);
        answered = status != HTTP_STATUS_ERROR;
    }
    httpClose(http);
    return !answered && gaveUp(clock);
}

// What the lookup of the server's name takes beyond the probe's own time.
constexpr int kLookupMs = 50;
} // namespace

// The connection's time limit does not cover the lookup of the server's
// name nor an encrypted connection's handshake: the probe runs on a thread
// of its own, given up on once its time is past (and left to end on its
// own).
bool PrintServerSilent(int ms) {
    const QByteArray server = cupsServer();
    const int port = ippPort();
    const http_encryption_t encryption = cupsEncryption();
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> silent = answer->get_future();
    try {
        std::thread([answer, server, port, encryption, ms] {
            answer->set_value(Unanswered(server, port, encryption, ms));
        }).detach();
    } catch (const std::system_error&) {
        return Unanswered(server, port, encryption, ms);
    }
    if (silent.wait_for(std::chrono::milliseconds(2 * ms + kLookupMs)) != std::future_status::ready)
        return true;
    return silent.get();
}
