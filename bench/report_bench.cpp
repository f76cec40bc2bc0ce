// Rendering one full report page at printer resolution, against an empty page as the base:
// the ratio of the two is the cost of the drawn objects themselves. Drawing the whole report
// over a large register is set against the same base.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <string>

#include <QPainter>

#include "report/pageexport.h"
#include "report/pagerenderer.h"
#include "report/positivepayreport.h"
#include "report/reportsurface.h"
#include "storage/checkregister.h"
#include "storage/environment.h"
#include "storage/fixtures/datafolder.h"
#include "storage/storagedatabase.h"
#include "storage/storageengine.h"
#include "storage/tablecursor.h"
#include "support/temp_folder.h"

namespace {

using volarin::ReportSurface;

// A page as the report draws it: a header, 60 detail lines, column rules and a footer.
void DrawFullPage(ReportSurface& surface) {
  surface.SetBrush_color(volarin::kBgrWhite);
  surface.Canvas().font.pointSize = 16;
  surface.TextCenter("Positive Pay Report", 0.5f);
  surface.TextCenter("000123456789", -1.0f);
  surface.Canvas().font.pointSize = 10;
  surface.TextRight("Page 1", 8.0f, 0.5f);
  surface.TextLeft("Print Date", 0.5f, 1.0f);
  const float starts[] = {0.5f, 1.5f, 2.5f, 3.5f, 7.5f};
  const float ends[] = {1.4f, 2.4f, 3.4f, 7.4f, 8.0f};
  for (int i = 0; i < 5; ++i) surface.DrawLine(starts[i], -1.0f, ends[i], -1.0f);
  surface.TextLeft("", 8.0f, -1.0f);
  for (int line = 0; line < 60; ++line) {
    surface.TextLeft("03/07/2024", 0.5f, -1.0f);
    surface.TextRight(std::to_string(100200 + line), 2.4f, 0.0f);
    surface.TextRight("$12,345.67", 3.4f, 0.0f);
    surface.TextLeft("Payee of check number " + std::to_string(line), 3.5f, 0.0f);
    surface.TextLeft(line % 9 == 0 ? "Void" : "", 7.5f, 0.0f);
  }
  surface.DrawLine(1.5f, -1.0f, 2.4f, -1.0f);
  surface.DrawLine(2.5f, -1.0f, 3.4f, -1.0f);
}

void BM_RenderEmptyPageAt600(benchmark::State& state) {
  ReportSurface surface;
  for (auto _ : state) {
    QImage image = volarin::RenderPageToImage(surface.Document(), 1, 600);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_RenderEmptyPageAt600)->Unit(benchmark::kMillisecond);

void BM_RenderFullPageAt600(benchmark::State& state) {
  ReportSurface surface;
  DrawFullPage(surface);
  for (auto _ : state) {
    QImage image = volarin::RenderPageToImage(surface.Document(), 1, 600);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_RenderFullPageAt600)->Unit(benchmark::kMillisecond);

// The same two pages painted onto one reused 600-ppi image, without allocating and clearing
// a 139 MB image per run: the ratio here is the drawing alone.
void PaintOntoReusedImage(benchmark::State& state, bool full) {
  ReportSurface surface;
  if (full) DrawFullPage(surface);
  QImage image = volarin::RenderPageToImage(surface.Document(), 1, 600);
  for (auto _ : state) {
    QPainter painter(&image);
    volarin::RenderPage(painter, surface.Document(), 1, 600, 600);
    painter.end();
    benchmark::DoNotOptimize(image.constBits());
  }
}

void BM_PaintEmptyPageAt600(benchmark::State& state) {
  PaintOntoReusedImage(state, false);
}
BENCHMARK(BM_PaintEmptyPageAt600)->Unit(benchmark::kMillisecond);

void BM_PaintFullPageAt600(benchmark::State& state) {
  PaintOntoReusedImage(state, true);
}
BENCHMARK(BM_PaintFullPageAt600)->Unit(benchmark::kMillisecond);

// The whole Positive Pay report over a register of 10,000 checks in 20 accounts, drawn onto a
// fresh surface each run; set against BM_RenderEmptyPageAt600 (the machine's base).
class RegisterOfTenThousand {
 public:
  RegisterOfTenThousand() {
    volarin::fixtures::DataFolderRows rows;
    const volarin::Date date = *volarin::Date::FromYmd(2024, 3, 5);
    for (int i = 0; i < 10000; ++i) {
      const int account = i / 500;
      rows.checkRegister.push_back({"ACCT" + std::to_string(1000 + account), 1000000000LL + i, date,
                                    i % 13 == 0 ? "02" : "00", 100.0 + i % 977 * 0.37,
                                    "Payee of check " + std::to_string(i)});
    }
    volarin::fixtures::BuildDataFolder(folder_.Path(), rows);
    database_.SetEngine(&engine_);
    database_.SetDataPath(folder_.Path());
    database_.SetIndexPath(folder_.Path());
    cursor_.fileAlias = "zorppay";
    cursor_.dataBaseName = "DataBase1";
    cursor_.exclusive = volarin::ExclusiveMode::kTrue;
    volarin::DeclareCheckRecord(cursor_);
    cursor_.Open();
    cursor_.SetTag("date");
  }
  volarin::TableCursor& Cursor() { return cursor_; }

 private:
  volarin::testing::TempFolder folder_;
  volarin::Environment environment_;
  volarin::StorageEngine engine_{environment_, "Engine1"};
  volarin::StorageDataBase database_{environment_, "DataBase1"};
  volarin::TableCursor cursor_{environment_, "zorppay"};
};

struct BenchHost : volarin::ReportHost {
  BenchHost() { surface.SetBrush_color(volarin::kBgrWhite); }
  volarin::ReportSurface surface;
  volarin::ReportSurface& Surface() override { return surface; }
  void ProcessPendingEvents() override {}
  void SetFitToWidth(bool) override {}
  void SetPageLabel(const std::string&) override {}
};

void BM_DrawReportTenThousandChecks(benchmark::State& state) {
  RegisterOfTenThousand checks;
  int pages = 0;
  for (auto _ : state) {
    BenchHost host;
    volarin::DrawReport(host, checks.Cursor(),
                        {*volarin::Date::FromYmd(2024, 3, 7), volarin::NumberSeparators{}});
    pages = host.surface.PageCount();
    benchmark::DoNotOptimize(pages);
  }
  state.counters["pages"] = pages;
}
BENCHMARK(BM_DrawReportTenThousandChecks)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
