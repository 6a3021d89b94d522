// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The About box: name and version, the packer release it follows, the licence, a credit for the
// packer and four links (the licence, the author's e-mail and web page, the packer's web page). An
// address the build does not name has no row: its line of text and its link are hidden.

#include <QDialog>
#include <QUrl>
#include <functional>

struct ProgramState;
namespace Ui {
class TFormAbout;
}

class TFormAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TFormAbout(ProgramState& state, QWidget* parent = nullptr);
  ~TFormAbout() override;

  // Label11 and Label2 from their numbered language texts and the version numbers.
  void UpdateVersionLabels();

  void Button1Click();
  void Button2Click();
  void Label5Click();
  void Label7Click();
  void Label10Click();
  void Label13Click();

  // Hands a link to the desktop's handler (mail program, web browser). Tests replace it to see
  // the address without starting anything. Returns false when nothing could open it.
  std::function<bool(const QUrl&)> openUrl;

  // The author's addresses as the build sets them (AboutInfo); empty ones hide their rows.
  void setAuthorAddresses(const QString& email, const QString& web);

  QUrl authorMailUrl() const;
  QUrl authorWebUrl() const;
  static QUrl packerWebUrl();
  static QUrl licenseWebUrl();

 signals:
  // The version-history button: the program context opens that window.
  void versionHistoryRequested();

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void openLink(const QUrl& url);

  ProgramState& state_;
  Ui::TFormAbout* ui;
  QString authorEmail_;
  QString authorWeb_;
  bool placed_ = false;
};
