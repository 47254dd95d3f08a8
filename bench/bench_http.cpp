// Small XHTML requests through the program's server connection, next to the
// same requests sent with a bare QNetworkAccessManager in the same run, both
// against the fake server on loopback. The bare client does the same decoding
// (inflate when zlib, DOM parse), so the ratio is the cost of the connection
// layer: its queue, the per-request checks and the one-at-a-time order.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMap>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

#include "core/pdcompressor.h"
#include "fakeserver.h"
#include "sync/requests/serverhttpconnection.h"
#include "core/serversettings.h"
#include "sync/requests/xmlrequest.h"

namespace {
const int requestCount = 2000;
const QString path = QStringLiteral("/users/alice/list-info/%1");

FakeServer *g_server = nullptr;
quint32 g_listId = 0;
QMap<QString, double> g_rates;

// Through ServerHttpConnection, each request added when the one before
// finished, as the synchronisers do.
int runProgram(bool zlib)
{
    QEventLoop loop;
    int done = 0;
    int failures = 0;
    std::function<void()> next = [&]() {
        auto *request = new XMLRequest(QStringLiteral("GET"), path.arg(g_listId), zlib);
        QObject::connect(request, &Request::finished, [&, request]() {
            if (request->hasError() || request->responseDocument().isNull())
                ++failures;
            request->deleteLater();
            if (++done == requestCount)
                loop.quit();
            else
                next();
        });
        ServerHttpConnection::instance()->addRequest(request);
    };
    next();
    loop.exec();
    return failures;
}

int runBare(QNetworkAccessManager *nam, bool zlib)
{
    QEventLoop loop;
    int done = 0;
    int failures = 0;
    const QByteArray credentials = "Basic " + QByteArray("alice:secret").toBase64();
    std::function<void()> next = [&]() {
        QNetworkRequest request(QUrl(g_server->url() + path.arg(g_listId)));
        request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
        request.setRawHeader("Authorization", credentials);
        request.setRawHeader("Accept-Encoding", zlib ? "zlib" : "identity");
        QNetworkReply *reply = nam->get(request);
        QObject::connect(reply, &QNetworkReply::finished, [&, reply]() {
            QByteArray body = reply->readAll();
            if (reply->rawHeader("Content-Encoding") == "zlib")
                body = PDCompressor::uncompress(body);
            QDomDocument doc;
            if (reply->error() != QNetworkReply::NoError || !doc.setContent(body))
                ++failures;
            reply->deleteLater();
            if (++done == requestCount)
                loop.quit();
            else
                next();
        });
    };
    next();
    loop.exec();
    return failures;
}

// Each iteration sends the 2000 requests bare and then through the program's
// connection; the fastest round of each counts, so a load spike on the
// machine does not decide the ratio.
void BM_Http(benchmark::State &state)
{
    const bool zlib = state.range(0) != 0;
    QNetworkAccessManager nam;
    nam.setProxy(QNetworkProxy::NoProxy);
    double bestBare = 1e9;
    double bestProgram = 1e9;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        if (runBare(&nam, zlib) != 0)
            state.SkipWithError("a bare request failed");
        bestBare = std::min(bestBare, timer.nsecsElapsed() / 1e9);
        timer.restart();
        if (runProgram(zlib) != 0)
            state.SkipWithError("a request failed");
        bestProgram = std::min(bestProgram, timer.nsecsElapsed() / 1e9);
    }
    const double bare = requestCount / bestBare;
    const double program = requestCount / bestProgram;
    state.counters["bare_req_per_s"] = bare;
    state.counters["program_req_per_s"] = program;
    state.counters["ratio"] = program / bare;
    g_rates[QStringLiteral("bare") + (zlib ? "-zlib" : "")] = bare;
    g_rates[QStringLiteral("program") + (zlib ? "-zlib" : "")] = program;
}

BENCHMARK(BM_Http)->ArgName("zlib")->Arg(0)->Arg(1)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
}

int main(int argc, char **argv)
{
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("PlumDeck"));

    FakeServer server;
    if (!server.start()) {
        std::fprintf(stderr, "fake server: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    server.addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    g_listId = server.addList(QStringLiteral("alice"), QStringLiteral("Groceries"));
    g_server = &server;
    ServerSettings::instance()->setSettings(server.url(), QStringLiteral("alice"), QStringLiteral("secret"));

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    for (const char *suffix : {"", "-zlib"}) {
        const double bare = g_rates.value(QStringLiteral("bare") + suffix);
        const double program = g_rates.value(QStringLiteral("program") + suffix);
        if (bare > 0 && program > 0)
            std::printf("%-6s program %.0f requests/s, bare %.0f requests/s, ratio %.2f\n",
                        *suffix ? "zlib" : "plain", program, bare, program / bare);
    }
    return 0;
}
