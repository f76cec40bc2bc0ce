#pragma once
// Reading a PDF back as page images, through pdftoppm.

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <vector>

namespace volarin::testing {

// Runs pdftoppm on the PDF and returns the page images it made at the given resolution.
inline std::vector<QImage> RasterisePdf(const QString& pdf, int dpi, const QString& folder) {
  const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
  if (tool.isEmpty()) ADD_FAILURE() << "pdftoppm (poppler-utils) is needed to read the PDF back";
  if (tool.isEmpty()) return {};
  QProcess process;
  process.start(tool, {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"), pdf,
                       QDir(folder).filePath(QStringLiteral("page"))});
  process.waitForFinished(120000);
  EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  std::vector<QImage> pages;
  const QStringList names =
      QDir(folder).entryList({QStringLiteral("page*.png")}, QDir::Files, QDir::Name);
  for (const QString& name : names) pages.emplace_back(QDir(folder).filePath(name));
  return pages;
}

}  // namespace volarin::testing
