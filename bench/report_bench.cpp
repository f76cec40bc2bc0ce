// Rendering one full report page at printer resolution, against an empty page as the base:
// the ratio of the two is the cost of the drawn objects themselves.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <string>

#include <QPainter>

#include "report/pageexport.h"
#include "report/pagerenderer.h"
#include "report/reportsurface.h"

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

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
