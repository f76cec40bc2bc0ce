#pragma once
// Reading a PDF back, as page images through pdftoppm and as text through pdftotext.

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <string>
#include <vector>

namespace volarin::testing {

// Runs one of poppler's tools; false (and a test failure) when it is missing or fails.
inline bool RunPopplerTool(const char* name, const QStringList& arguments, QProcess& process) {
  const QString tool = QStandardPaths::findExecutable(QString::fromLatin1(name));
  if (tool.isEmpty()) {
    ADD_FAILURE() << name << " (poppler-utils) is needed to read the PDF back";
    return false;
  }
  process.start(tool, arguments);
  process.waitForFinished(120000);
  EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  return process.exitCode() == 0;
}

// The PDF's text with its layout kept, pages separated by form feeds.
inline std::string PdfText(const QString& pdf) {
  QProcess process;
  if (!RunPopplerTool("pdftotext", {QStringLiteral("-layout"), pdf, QStringLiteral("-")}, process))
    return {};
  return process.readAllStandardOutput().toStdString();
}

// Runs pdftoppm on the PDF and returns the page images it made at the given resolution.
inline std::vector<QImage> RasterisePdf(const QString& pdf, int dpi, const QString& folder) {
  QProcess process;
  if (!RunPopplerTool("pdftoppm",
                      {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"), pdf,
                       QDir(folder).filePath(QStringLiteral("page"))},
                      process))
    return {};
  std::vector<QImage> pages;
  const QStringList names =
      QDir(folder).entryList({QStringLiteral("page*.png")}, QDir::Files, QDir::Name);
  for (const QString& name : names) pages.emplace_back(QDir(folder).filePath(name));
  return pages;
}

}  // namespace volarin::testing
