// The cancellation listing of 10,000 rows: building its page texts, and writing them as
// the PDF of the listing screen's "Archivo".
#include "platform/Regional.h"
#include "printing/Listing.h"
#include "printing/ListingPdf.h"
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <vector>

#if __has_include(<benchmark/benchmark.h>)
#include <benchmark/benchmark.h>
#define QX_HAVE_BENCHMARK 1
#else
#include <chrono>
#include <cstdio>
#endif

namespace {

using namespace quendarx;

constexpr int kRows = 10000;

// 10,000 cancellations over 40 export items, as the listing query orders them.
std::vector<ListingRow> sampleRows() {
    std::vector<ListingRow> rows;
    rows.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        ListingRow row;
        row.EXTITM = 1 + i / 250;
        row.pINTNDC = QStringLiteral("26001IC0400%1").arg(i % 97, 4, 10, QLatin1Char('0'));
        row.ARTNCM = QStringLiteral("8471.30.00");
        row.pARTINO = QString::number(1 + i % 120);
        row.pARTSNO = QString::number(i % 4);
        row.ARTCDS = 1.25 + (i % 1000) / 8.0;
        row.ARTEXP = QStringLiteral("EX-%1").arg(i);
        row.ARTCER = QStringLiteral("CERT-%1-ABCDEFGHIJ").arg(i); // longer than its column
        row.ARTORD = i % 3 == 0 ? QString() : QString::number(i % 10);
        rows.push_back(row);
    }
    return rows;
}

const ListingHeader kHeader{QStringLiteral("sábado, 5 de diciembre de 2026"), QStringLiteral("EXP-001")};

QStringList buildPages(const std::vector<ListingRow>& rows) { return listingPages(rows, kHeader); }

void writePdf(const QStringList& pages, const QString& path) {
    ListingPdf pdf(path);
    for (const QString& page : pages)
        pdf.addPage(page);
    pdf.finish();
}

#ifdef QX_HAVE_BENCHMARK

void BM_ListingPageTexts(benchmark::State& state) {
    const std::vector<ListingRow> rows = sampleRows();
    for (auto _ : state) {
        QStringList pages = buildPages(rows);
        benchmark::DoNotOptimize(pages);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ListingPageTexts)->Unit(benchmark::kMillisecond);

void BM_ListingPdf(benchmark::State& state) {
    const QStringList pages = buildPages(sampleRows());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("listado.pdf"));
    for (auto _ : state)
        writePdf(pages, path);
    state.counters["pages"] = static_cast<double>(pages.size());
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ListingPdf)->Unit(benchmark::kMillisecond);

#endif

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv); // fonts for the PDF
    ScopedLocale locale(QLocale(QLocale::Spanish, QLocale::Argentina));
#ifdef QX_HAVE_BENCHMARK
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
#else
    using Clock = std::chrono::steady_clock;
    const auto rows = sampleRows();
    auto start = Clock::now();
    const QStringList pages = buildPages(rows);
    const auto texts = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    QTemporaryDir dir;
    start = Clock::now();
    writePdf(pages, dir.filePath(QStringLiteral("listado.pdf")));
    const auto pdf = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::printf("page texts of %d rows (%lld pages): %.1f ms\nPDF: %.1f ms\n", kRows,
                static_cast<long long>(pages.size()), texts, pdf);
#endif
    return 0;
}
