// readme_page README.md README.html: writes the README as a page for the
// window's home-page link. Without a README.md it writes a short page that
// says where the program's help is.
#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>
#include <iostream>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::cerr << "usage: readme_page README.md README.html\n";
    return 2;
  }
  QTextDocument doc;
  QFile in(QString::fromLocal8Bit(argv[1]));
  if (in.open(QIODevice::ReadOnly))
    doc.setMarkdown(QString::fromUtf8(in.readAll()));
  else
    doc.setMarkdown(QStringLiteral("# Quillon\n\nEnd-of-day share prices of the National Stock "
                                   "Exchange of India.\n\nSee the [FAQ](faq.html).\n"));
  doc.setMetaInformation(QTextDocument::DocumentTitle, QStringLiteral("Quillon"));
  QFile out(QString::fromLocal8Bit(argv[2]));
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      out.write(doc.toHtml().toUtf8()) < 0 || !out.flush()) {
    std::cerr << "readme_page: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
