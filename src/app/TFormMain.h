#pragma once
// The main window: file selection, the packing options, the jobs and the information commands.

#include <QWidget>

#include "packer/PackOptions.h"

struct AppContext;
namespace Ui {
class TFormMain;
}

class TFormMain : public QWidget {
  Q_OBJECT
 public:
  explicit TFormMain(AppContext& ctx, QWidget* parent = nullptr);
  ~TFormMain() override;

  Ui::TFormMain* ui;  // the controls, by their names (tests and the settings reach them here)

  // PackOptions as the controls hold them now.
  PackOptions packOptions() const;

  void FillText();
  void SetLanguage();
  void CompressValueBarChange();

  void ButtonPackClick();
  void ButtonUnPackClick();
  void ButtonResetClick();
  void ButtonMaxClick();

  // The start-up sequence, run on the first showing (when the context asks for it).
  void FormShow();

  void ReadCFG();
  void WriteCFG();
  void ApplyDefaults();

 private:
  AppContext& ctx_;
};
