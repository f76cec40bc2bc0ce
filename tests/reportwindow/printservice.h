#pragma once
// A print service of the test's own: a CUPS daemon with its configuration, spool and logs in a
// temporary folder, listening on a socket there, with a PDF printer (cups-pdf) that writes each
// job as a PDF file into a folder of the test's choice. Needs root (the daemon and the cups-pdf
// backend run as root) and Debian's cups and printer-driver-cups-pdf.

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTest>

namespace volarin::testing {

class PrintService {
 public:
  static constexpr const char* kDaemon = "/usr/sbin/cupsd";
  static constexpr const char* kPdfBackend = "/usr/lib/cups/backend/cups-pdf";
  static constexpr const char* kPdfDriver = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
  // cups-pdf reads the settings of a printer named N from this folder's cups-pdf-N.conf.
  static constexpr const char* kPdfSettingsFolder = "/etc/cups";

  // Why no print service can be started here; empty when one can.
  static QString Unavailable() {
    if (geteuid() != 0) return QStringLiteral("the print service and cups-pdf need root");
    for (const char* file : {kDaemon, kPdfBackend, kPdfDriver}) {
      if (!QFileInfo::exists(QString::fromLatin1(file)))
        return QStringLiteral("%1 is missing (Debian's cups, printer-driver-cups-pdf)")
            .arg(QString::fromLatin1(file));
    }
    if (QStandardPaths::findExecutable(QStringLiteral("lpadmin")).isEmpty())
      return QStringLiteral("lpadmin is missing (cups-client)");
    return {};
  }

  // `folder` must be readable by the daemon's filters (they run as another user).
  explicit PrintService(const QString& folder) : root_(folder) {
    for (const char* sub : {"etc", "spool", "spool/tmp", "cache", "state", "log"}) {
      QDir(root_).mkpath(QString::fromLatin1(sub));
    }
    QFile::setPermissions(root_, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                     QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                     QFileDevice::ExeOther | QFileDevice::ReadGroup |
                                     QFileDevice::ExeGroup);
    Write(QStringLiteral("etc/cupsd.conf"),
          QStringLiteral("LogLevel warn\nListen %1\nBrowsing No\nWebInterface No\n"
                         "DefaultAuthType None\n<Location />\n  Order allow,deny\n  Allow all\n"
                         "</Location>\n<Policy default>\n  <Limit All>\n    Order deny,allow\n"
                         "  </Limit>\n</Policy>\n")
              .arg(Socket()));
    Write(QStringLiteral("etc/cups-files.conf"),
          QStringLiteral("ServerRoot %1/etc\nRequestRoot %1/spool\nTempDir %1/spool/tmp\n"
                         "CacheDir %1/cache\nStateDir %1/state\nAccessLog %1/log/access_log\n"
                         "ErrorLog %1/log/error_log\nPageLog %1/log/page_log\n")
              .arg(root_));
    daemon_.start(QString::fromLatin1(kDaemon),
                  {QStringLiteral("-f"), QStringLiteral("-c"), Path("etc/cupsd.conf"),
                   QStringLiteral("-s"), Path("etc/cups-files.conf")});
    daemon_.waitForStarted(10000);
    running_ = QTest::qWaitFor(
        [this] {
          return Client(QStringLiteral("lpstat"), {QStringLiteral("-r")})
              .output.startsWith(QStringLiteral("scheduler is running"));
        },
        30000);
  }
  ~PrintService() {
    if (!printer_.isEmpty()) {
      Client(QStringLiteral("lpadmin"), {QStringLiteral("-x"), printer_});
      QFile::remove(PdfSettingsFile(printer_));
    }
    daemon_.terminate();
    if (!daemon_.waitForFinished(10000)) daemon_.kill();
  }
  PrintService(const PrintService&) = delete;
  PrintService& operator=(const PrintService&) = delete;

  bool Running() const { return running_; }
  // The socket clients reach the daemon through (CUPS_SERVER).
  QString Socket() const { return Path("cups.sock"); }
  // The daemon's error log, for failure messages.
  QString Log() const {
    QFile log(Path("log/error_log"));
    return log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
  }

  // Sets up a PDF printer that writes its jobs into `outFolder`; false when it cannot.
  bool AddPdfPrinter(const QString& name, const QString& outFolder) {
    QFile settings(PdfSettingsFile(name));
    if (!settings.open(QIODevice::WriteOnly)) return false;
    settings.write(QStringLiteral("Out %1\nAnonDirName %1\n").arg(outFolder).toLocal8Bit());
    settings.close();
    printer_ = name;
    return Client(QStringLiteral("lpadmin"),
                  {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                   QStringLiteral("cups-pdf:/") + name, QStringLiteral("-P"),
                   QString::fromLatin1(kPdfDriver)})
               .exitCode == 0;
  }

  // True once the printer has no job left to do.
  bool Idle() const {
    const ClientResult jobs = Client(QStringLiteral("lpstat"), {QStringLiteral("-o"), printer_});
    return jobs.exitCode == 0 && jobs.output.trimmed().isEmpty();
  }

 private:
  QString Path(const QString& name) const { return QDir(root_).filePath(name); }
  static QString PdfSettingsFile(const QString& printer) {
    return QStringLiteral("%1/cups-pdf-%2.conf")
        .arg(QString::fromLatin1(kPdfSettingsFolder), printer);
  }
  void Write(const QString& name, const QString& text) const {
    QFile file(Path(name));
    if (file.open(QIODevice::WriteOnly)) file.write(text.toLocal8Bit());
  }
  struct ClientResult {
    int exitCode;
    QString output;
  };
  // Runs a CUPS client program (lpstat, lpadmin) against this daemon.
  ClientResult Client(const QString& program, const QStringList& arguments) const {
    QProcess client;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    client.setProcessEnvironment(environment);
    client.start(program, QStringList{QStringLiteral("-h"), Socket()} + arguments);
    if (!client.waitForFinished(30000)) return {-1, {}};
    return {client.exitCode(), QString::fromLocal8Bit(client.readAllStandardOutput())};
  }

  QString root_;
  QProcess daemon_;
  bool running_ = false;
  QString printer_;
};

}  // namespace volarin::testing
