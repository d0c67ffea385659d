// The real shell's open, with the desktop's handlers replaced by a recorder:
// an address goes out exactly as given, a host in its international form;
// nothing is completed or guessed, and no relative name becomes a local file.
#include <QDesktopServices>
#include <QDir>
#include <QTest>
#include <QUrl>

#include "core/actions/lookup_services.h"
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
    void opensEveryAddressATemplateMakes();

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

// A template the settings accept makes addresses the shell opens as they
// are, whatever the entry: a look-up never fails silently on the way out.
void TestQtShell::opensEveryAddressATemplateMakes() {
    const char* templates[] = {
        "https://www.virustotal.com/gui/domain/{host}",
        "https://urlhaus.abuse.ch/browse.php?search={host}",
        "https://transparencyreport.google.com/safe-browsing/search?url={url}",
        "http://[2001:db8::1]:8080/a%20b/{HOST}?q=!$'()*+,;=:@~&u={Url}#frag",
        "https://front.example",
    };
    const char* entries[] = {
        "http://www.example.com:8080/a b?c=\"d\"#e#f",
        "Visited: bob@https://caf\xE9.example/men\xFC|<x>^`{}\\",
        "Cookie:bob@shop.example/%zz[1]",
        "@:Host: c.example",
        "mailto:someone@example.org",
    };
    QtShell shell;
    for (const char* t : templates) {
        QCOMPARE(QString::fromStdString(TemplateProblem(t)), QString());
        const LookupService service{"Mine", "Mine", "mine", std::nullopt, t};
        for (const char* entry : entries) {
            const AddressResult result = LookUpAddress(service, entry);
            QVERIFY2(result.kind == AddressResult::Kind::Open, entry);
            recorder_.opened.clear();
            shell.open(result.address);
            QCOMPARE(recorder_.opened, QStringList{QString::fromStdString(result.address)});
        }
    }
}

QTEST_MAIN(TestQtShell)
#include "tst_qt_shell.moc"
