// The real shell's open, with the desktop's handlers replaced by a recorder:
// an address goes out exactly as given, a host in its international form;
// nothing is completed or guessed, and no relative name becomes a local file.
#include <QDesktopServices>
#include <QDir>
#include <QTest>
#include <QUrl>

#include "gui/qt_platform.h"
#include "support/temp_dir.h"

using namespace tessaly;

class UrlRecorder : public QObject {
    Q_OBJECT
  public:
    QStringList opened;
  public slots:
    void open(const QUrl& url) { opened << QString::fromLatin1(url.toEncoded()); }
};

class TestQtShell : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        for (const char* scheme : {"http", "https", "file", "mailto", "view-source"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &recorder_, "open");
        }
        recorder_.opened.clear();
    }
    void cleanup() {
        for (const char* scheme : {"http", "https", "file", "mailto", "view-source"}) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
    }
    void opensExactlyWhatItIsGiven_data();
    void opensExactlyWhatItIsGiven();

  private:
    UrlRecorder recorder_;
};

void TestQtShell::opensExactlyWhatItIsGiven_data() {
    QTest::addColumn<QByteArray>("given");
    QTest::addColumn<QString>("opened");  // empty: nothing is opened
    QTest::newRow("address") << QByteArray("http://example.com/a%20b?c=d#e")
                             << "http://example.com/a%20b?c=d#e";
    QTest::newRow("international host") << QByteArray("http://caf\xC3\xA9.example/men%C3%BC")
                                        << "http://xn--caf-dma.example/men%C3%BC";
    QTest::newRow("file address") << QByteArray("file:///srv/page.html") << "file:///srv/page.html";
    QTest::newRow("absolute path") << QByteArray("/srv/help.html") << "file:///srv/help.html";
    // A name that exists in the current folder is no address.
    QTest::newRow("relative name") << QByteArray("index.dat") << "";
    QTest::newRow("relative path spelt as an address")
        << QByteArray("http:/index.dat") << "http:/index.dat";
    QTest::newRow("no scheme") << QByteArray("www.example.com") << "";
    QTest::newRow("not an address") << QByteArray("http://a b.example/") << "";
}

void TestQtShell::opensExactlyWhatItIsGiven() {
    QFETCH(QByteArray, given);
    QFETCH(QString, opened);
    test::TempDir dir;
    dir.write("index.dat", "x");
    dir.write("http:/index.dat", "x");
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(QString::fromStdString(dir.path())));
    QtShell shell;
    shell.open(given.toStdString());
    QDir::setCurrent(before);
    QCOMPARE(recorder_.opened, opened.isEmpty() ? QStringList{} : QStringList{opened});
}

QTEST_MAIN(TestQtShell)
#include "tst_qt_shell.moc"
