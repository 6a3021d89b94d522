// SPDX-License-Identifier: GPL-3.0-or-later
// The About box and the version history: version labels after a change of language, the choice
// of the history's language, the history documents, and the links reaching the desktop's handler
// (through the test seam, so nothing is started).
#include <QtTest>

#include <QApplication>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

#include "core/util/AboutInfo.h"
#include "gui/dialogs/TFormAbout.h"
#include "gui/dialogs/TFormVersHist.h"
#include "gui/main/AppContext.h"
#include "gui/widgets/LinkLabel.h"
#include "gui/widgets/Prompts.h"
#include "support/FormDesign.h"
#include "support/TestProgramDir.h"

namespace {

const QString kEnglishTitle = QStringLiteral("Packhelm Versions history");
const QString kRussianTitle = QStringLiteral("История версий Packhelm");

QStringList releases(const QString& text, const QString& word) {
  QStringList out;
  const QRegularExpression re(QStringLiteral("^%1 (\\d+\\.\\d+\\.\\d+)$").arg(word),
                              QRegularExpression::MultilineOption);
  for (auto it = re.globalMatch(text); it.hasNext();) out << it.next().captured(1);
  return out;
}

QStringList expectedReleases() {
  QStringList out;
  for (int i = 17; i >= 3; --i) out << QStringLiteral("1.0.%1").arg(i);
  return out;
}

}  // namespace

class TestAbout : public QObject {
  Q_OBJECT

  std::unique_ptr<TestProgram> prog_;
  QList<QUrl> opened_;
  bool openResult_ = true;

  TFormAbout& about() { return *prog_->ctx.formAbout(); }
  TFormVersHist& history() { return *prog_->ctx.formVersHist(); }
  QString label(const char* name) {
    auto* l = about().findChild<QLabel*>(QLatin1String(name));
    return l ? l->text() : QStringLiteral("<missing %1>").arg(QLatin1String(name));
  }
  QTextBrowser* historyView() {
    return history().findChild<QTextBrowser*>(QStringLiteral("RichEdit1"));
  }

 private slots:
  void initTestCase() { Prompts::Test().active = true; }

  void init() {
    prog_ = std::make_unique<TestProgram>(true, false);
    opened_.clear();
    openResult_ = true;
    about().openUrl = [this](const QUrl& url) {
      opened_ << url;
      return openResult_;
    };
    Prompts::Test().messages.clear();
  }

  void cleanup() { prog_.reset(); }

  void controls() {
    const QStringList names = FormDesign(QStringLiteral("dialogs/TFormAbout.ui")).widgets();
    QCOMPARE(about().objectName(), names.first());
    for (const QString& name : names.mid(1))
      QVERIFY2(about().findChild<QWidget*>(name), qPrintable(name));
    QCOMPARE(label("Label1"), QStringLiteral("Packhelm"));
    QVERIFY(label("Label9").startsWith(QStringLiteral("The Ultimate Packer for eXecutables\n")));
    // The author's addresses are the build's settings, shown as they are set.
    QCOMPARE(label("Label5"), QString::fromUtf8(AboutInfo::AuthorEmail));
    QCOMPARE(label("Label7"), QString::fromUtf8(AboutInfo::AuthorWeb));
    QCOMPARE(label("Label10"), QStringLiteral("https://upx.github.io/"));
    QCOMPARE(label("Label13"), QStringLiteral("GPL-3.0-or-later"));
    for (const char* name : {"Label5", "Label7", "Label10", "Label13"}) {
      auto* link = about().findChild<LinkLabel*>(QLatin1String(name));
      QVERIFY2(link, name);
      QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
      QVERIFY(link->font().underline());
      QCOMPARE(link->focusPolicy(), Qt::StrongFocus);
    }
    QCOMPARE(history().objectName(), QStringLiteral("FormVersHist"));
    QVERIFY(historyView());
    QVERIFY(historyView()->isReadOnly());
    // A paper of its own, whatever the desktop's colours, with dark text on it.
    const QPalette paper = historyView()->palette();
    QVERIFY(paper.color(QPalette::Base) != QApplication::palette().color(QPalette::Base));
    QVERIFY(paper.color(QPalette::Text).lightness() + 100 <
            paper.color(QPalette::Base).lightness());
    QVERIFY(history().windowFlags() & Qt::Tool);
  }

  void versionLabelsFollowTheLanguage() {
    prog_->ctx.state.LangTexts[30] = "Version";
    prog_->ctx.state.LangTexts[31] = "Made for";
    about().UpdateVersionLabels();
    QCOMPARE(label("Label11"), QStringLiteral("Version 1.0.17"));
    QCOMPARE(label("Label2"), QStringLiteral("Made for  UPX ver 1.24"));
    prog_->ctx.state.LangTexts[30] = "Версия";
    prog_->ctx.state.LangTexts[31] = "Для";
    about().UpdateVersionLabels();
    QCOMPARE(label("Label11"), QStringLiteral("Версия 1.0.17"));
    QCOMPARE(label("Label2"), QStringLiteral("Для  UPX ver 1.24"));
  }

  void longTextsAreNotClipped() {
    // Every row shown, the addresses' too.
    about().setAuthorAddresses(QStringLiteral("questions@packhelm.test"),
                               QStringLiteral("https://packhelm.test/"));
    prog_->ctx.state.LangTexts[30] = "A rather long word for the version of this program";
    prog_->ctx.state.LangTexts[31] = "And a long text before the packer's version as well";
    about().UpdateVersionLabels();
    about()
        .findChild<QLabel*>(QStringLiteral("Label4"))
        ->setText(
            QStringLiteral("Send your questions and suggestions to the address below, please"));
    about().show();
    QVERIFY(QTest::qWaitForWindowExposed(&about()));
    for (QLabel* l : about().findChildren<QLabel*>()) {
      QVERIFY2(l->width() >= l->sizeHint().width(), qPrintable(l->objectName()));
      QVERIFY2(l->height() >= l->sizeHint().height(), qPrintable(l->objectName()));
      QVERIFY2(about().rect().contains(QRect(l->mapTo(&about(), QPoint(0, 0)), l->size())),
               qPrintable(l->objectName()));
    }
    for (QPushButton* b : about().findChildren<QPushButton*>())
      QVERIFY2(b->width() >= b->sizeHint().width(), qPrintable(b->objectName()));
    about().close();
  }

  void historyLanguage_data() {
    QTest::addColumn<QByteArray>("langName");
    QTest::addColumn<bool>("russian");
    QTest::newRow("Russian") << QByteArray("Russian") << true;
    QTest::newRow("russian") << QByteArray("russian") << false;
    QTest::newRow("RUSSIAN") << QByteArray("RUSSIAN") << false;
    QTest::newRow("Russian with a blank") << QByteArray("Russian ") << false;
    QTest::newRow("German") << QByteArray("German") << false;
    QTest::newRow("English") << QByteArray("English") << false;
    QTest::newRow("empty") << QByteArray() << false;
  }
  void historyLanguage() {
    QFETCH(QByteArray, langName);
    QFETCH(bool, russian);
    prog_->ctx.state.opt.LangName = langName;
    history().show();
    const QString text = historyView()->toPlainText();
    QCOMPARE(text.section(QLatin1Char('\n'), 0, 0), russian ? kRussianTitle : kEnglishTitle);
    QCOMPARE(releases(text, russian ? QStringLiteral("Версия") : QStringLiteral("Version")),
             expectedReleases());
    history().close();
    QVERIFY(historyView()->toPlainText().isEmpty());
  }

  void historyDocuments_data() {
    QTest::addColumn<QByteArray>("langName");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("word");
    QTest::newRow("English") << QByteArray("English") << kEnglishTitle << QStringLiteral("Version");
    QTest::newRow("Russian") << QByteArray("Russian") << kRussianTitle << QStringLiteral("Версия");
  }
  void historyDocuments() {
    QFETCH(QByteArray, langName);
    QFETCH(QString, title);
    QFETCH(QString, word);
    QFile f(TFormVersHist::documentFor(langName));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QTextDocument doc;
    doc.setHtml(QString::fromUtf8(f.readAll()));
    const QString text = doc.toPlainText();
    QCOMPARE(releases(text, word), expectedReleases());
    // The title is bold italic, each release line bold.
    const QTextBlock first = doc.begin();
    QCOMPARE(first.text(), title);
    QVERIFY(first.charFormat().fontItalic() || first.begin().fragment().charFormat().fontItalic());
    QVERIFY(first.begin().fragment().charFormat().fontWeight() >= QFont::Bold);
    // Every release has at least one change line.
    QCOMPARE(text.count(QRegularExpression(QStringLiteral("^%1 \\S+\\n - ").arg(word),
                                           QRegularExpression::MultilineOption)),
             15);
  }

  void historyShownReadOnlyOverAbout() {
    about().show();
    QVERIFY(QTest::qWaitForWindowExposed(&about()));
    QString modalName;
    bool filled = false;
    QTimer::singleShot(0, this, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal) return;
      modalName = modal->objectName();
      filled = !historyView()->toPlainText().isEmpty();
      // Typing changes nothing in the history.
      const QString before = historyView()->toPlainText();
      QTest::keyClicks(historyView(), QStringLiteral("xyz"));
      filled = filled && historyView()->toPlainText() == before;
      modal->close();
    });
    // The history opens modally over the About box, without a loop of its own.
    about().findChild<QPushButton*>(QStringLiteral("Button2"))->click();
    QTRY_COMPARE(modalName, QStringLiteral("FormVersHist"));
    QVERIFY(filled);
    QVERIFY(about().isVisible());
    about().findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    QVERIFY(!about().isVisible());
  }

  void links_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QUrl>("url");
    QTest::newRow("Label5: e-mail")
        << "Label5" << QUrl(QStringLiteral("mailto:questions@packhelm.test"));
    QTest::newRow("Label7: author's page")
        << "Label7" << QUrl(QStringLiteral("https://packhelm.test/"));
    QTest::newRow("Label10: packer's page")
        << "Label10" << QUrl(QStringLiteral("https://upx.github.io/"));
    QTest::newRow("Label13: licence")
        << "Label13" << QUrl(QStringLiteral("https://www.gnu.org/licenses/gpl-3.0.html"));
  }
  void links() {
    QFETCH(QString, name);
    QFETCH(QUrl, url);
    about().setAuthorAddresses(QStringLiteral("questions@packhelm.test"),
                               QStringLiteral("https://packhelm.test/"));
    about().show();
    QVERIFY(QTest::qWaitForWindowExposed(&about()));
    auto* link = about().findChild<LinkLabel*>(name);
    QVERIFY(link);
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(opened_, QList<QUrl>{url});
    // From the keyboard as well.
    link->setFocus();
    QTest::keyClick(link, Qt::Key_Space);
    QTest::keyClick(link, Qt::Key_Return);
    QCOMPARE(opened_, (QList<QUrl>{url, url, url}));
    // A press that ends outside the label is no click.
    QTest::mousePress(link, Qt::LeftButton);
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-5, -5));
    QCOMPARE(opened_.size(), 3);
    QVERIFY(about().isVisible());
    QVERIFY(Prompts::Test().messages.isEmpty());
    about().close();
  }

  // An address the build does not set has no row: neither its line of text nor its link shows,
  // the box grows no taller for it, and a click on the hidden link starts nothing.
  void addressRows_data() {
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("web");
    QTest::newRow("both set") << "questions@packhelm.test"
                              << "https://packhelm.test/";
    QTest::newRow("only the e-mail") << "questions@packhelm.test"
                                     << "";
    QTest::newRow("only the web page") << ""
                                       << "https://packhelm.test/";
    QTest::newRow("neither") << ""
                             << "";
  }
  void addressRows() {
    QFETCH(QString, email);
    QFETCH(QString, web);
    about().setAuthorAddresses(QStringLiteral("a@packhelm.test"), QStringLiteral("https://a.test"));
    about().show();
    QVERIFY(QTest::qWaitForWindowExposed(&about()));
    const int fullHeight = about().height();
    about().close();

    about().setAuthorAddresses(email, web);
    about().show();
    QVERIFY(QTest::qWaitForWindowExposed(&about()));
    auto shown = [this](const char* name) {
      return about().findChild<QWidget*>(QLatin1String(name))->isVisible();
    };
    QCOMPARE(shown("Label4"), !email.isEmpty());
    QCOMPARE(shown("Label5"), !email.isEmpty());
    QCOMPARE(shown("Label6"), !web.isEmpty());
    QCOMPARE(shown("Label7"), !web.isEmpty());
    QVERIFY(shown("Label10"));
    if (email.isEmpty() || web.isEmpty())
      QVERIFY2(about().height() < fullHeight,
               qPrintable(QStringLiteral("%1 < %2").arg(about().height()).arg(fullHeight)));
    else
      QCOMPARE(about().height(), fullHeight);
    about().Label5Click();
    about().Label7Click();
    QList<QUrl> expected;
    if (!email.isEmpty()) expected << QUrl(QStringLiteral("mailto:") + email);
    if (!web.isEmpty()) expected << QUrl(web);
    QCOMPARE(opened_, expected);
    QVERIFY(Prompts::Test().messages.isEmpty());
    about().close();
  }

  // No invented address anywhere in the box as this build makes it.
  void noPlaceholderAddress() {
    about().show();
    QVERIFY(QTest::qWaitForWindowExposed(&about()));
    for (QLabel* l : about().findChildren<QLabel*>()) {
      QVERIFY2(!l->text().contains(QStringLiteral("example.")), qPrintable(l->text()));
      if (auto* link = qobject_cast<LinkLabel*>(l))
        QCOMPARE(link->isVisible(), !link->text().isEmpty());
    }
    about().close();
  }

  void linkWithoutHandler() {
    openResult_ = false;
    about().Label10Click();
    QCOMPARE(opened_.size(), 1);
    QCOMPARE(Prompts::Test().messages.size(), 1);
    QCOMPARE(Prompts::Test().messages.first().icon, Prompts::Icon::Warning);
    QVERIFY(
        Prompts::Test().messages.first().text.contains(QStringLiteral("https://upx.github.io/")));
  }
};

QTEST_MAIN(TestAbout)
#include "test_about.moc"
