// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/i18n/ApplyLanguage.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QWidget>
#include <optional>

#include "core/util/HintText.h"
#include "core/util/StrUtils.h"
#include "gui/i18n/QtTranslations.h"
#include "gui/widgets/Prompts.h"
#include "gui/widgets/RadioGroup.h"

using LanguageFiles::Entry;
using LanguageFiles::EntryKind;

namespace {

// Windows and their named objects, looked up ignoring case. Each window's objects are indexed
// once, on first use, so a file of many entries does not walk the object trees again and again.
class NameIndex {
 public:
  explicit NameIndex(const QList<QWidget*>& forms) : forms_(forms), objects_(forms.size()) {}

  QWidget* form(const QByteArray& name) const {
    if (name.isEmpty()) return nullptr;
    const QString n = QString::fromUtf8(name);
    for (QWidget* f : forms_)
      if (f && f->objectName().compare(n, Qt::CaseInsensitive) == 0) return f;
    return nullptr;
  }

  QObject* component(const QByteArray& formName, const QByteArray& name) {
    if (name.isEmpty()) return nullptr;
    QWidget* f = form(formName);
    if (!f) return nullptr;
    const qsizetype i = forms_.indexOf(f);
    if (!objects_[i]) objects_[i] = indexOf(f);
    return objects_[i]->value(QString::fromUtf8(name).toLower(), nullptr);
  }

 private:
  static QHash<QString, QObject*> indexOf(QWidget* form) {
    QHash<QString, QObject*> index;
    const QList<QObject*> all = form->findChildren<QObject*>();
    index.reserve(all.size());
    for (QObject* o : all) {
      const QString name = o->objectName();
      // Qt's own helper objects (viewports, inner line edits) are not the window's controls.
      if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;
      const QString key = name.toLower();
      if (!index.contains(key)) index.insert(key, o);
    }
    return index;
  }

  QList<QWidget*> forms_;
  QList<std::optional<QHash<QString, QObject*>>> objects_;
};

QTabWidget* tabOwningPage(QWidget* w) {
  auto* stack = qobject_cast<QStackedWidget*>(w->parentWidget());
  if (!stack) return nullptr;
  auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget());
  return tabs && tabs->indexOf(w) >= 0 ? tabs : nullptr;
}

// The caption kinds: one operation for any visual control. Texts from a language file are shown
// as they stand, never as markup.
void setCaption(QObject* o, const QString& text) {
  auto* w = qobject_cast<QWidget*>(o);
  if (!w) return;
  if (QTabWidget* tabs = tabOwningPage(w)) {
    tabs->setTabText(tabs->indexOf(w), text);
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
    group->setTitle(text);
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setText(text);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
    plain->setPlainText(text);
  } else if (auto* rich = qobject_cast<QTextEdit*>(w)) {
    rich->setPlainText(text);
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    // Only an editable combo box has a text of its own; a list-only one would change its
    // selection instead.
    if (combo->isEditable()) combo->setEditText(text);
  } else {
    // Controls of other classes that carry a writable text or title.
    const QMetaObject* mo = w->metaObject();
    for (const char* prop : {"text", "title"}) {
      const int i = mo->indexOfProperty(prop);
      if (i < 0) continue;
      const QMetaProperty p = mo->property(i);
      if (p.isWritable() && p.metaType().id() == QMetaType::QString) {
        p.write(w, text);
        return;
      }
    }
  }
}

// Line i (from 1) of a CR LF separated value, trimmed of spaces; empty past the last line.
QString lineOf(const QByteArray& value, int i) {
  return QString::fromUtf8(StrUtils::TrimSpaces(StrUtils::NthLine(value, quint32(i))));
}

void setAttachedLabel(QObject* o, const QString& text) {
  auto* edit = qobject_cast<QLineEdit*>(o);
  if (!edit) return;
  for (QLabel* label : edit->window()->findChildren<QLabel*>()) {
    if (label->buddy() == edit) {
      label->setTextFormat(Qt::PlainText);
      label->setText(text);
      return;
    }
  }
}

void setMenuItem(QObject* o, const QString& text) {
  if (auto* action = qobject_cast<QAction*>(o))
    action->setText(text);
  else if (auto* menu = qobject_cast<QMenu*>(o))
    menu->setTitle(text);
}

void setRadioItems(QObject* o, const QByteArray& value) {
  auto* group = qobject_cast<RadioGroup*>(o);
  if (!group) return;
  const int n = group->count();
  for (int i = 0; i < n; ++i) group->setItemText(i, lineOf(value, i + 1));
}

void setHeaderSections(QObject* o, const QByteArray& value) {
  auto* header = qobject_cast<QHeaderView*>(o);
  if (!header || !header->model()) return;
  const int n = header->count();
  for (int i = 0; i < n; ++i)
    header->model()->setHeaderData(header->logicalIndex(i), header->orientation(),
                                   lineOf(value, i + 1));
}

// A hint is also what assistive technology describes the control with, in lines as it is shown;
// a radio group's items are described by their own lines of it.
void setHint(QWidget* w, const QString& text) {
  w->setToolTip(text);
  w->setAccessibleDescription(HintText::Shape(text));
  if (auto* group = qobject_cast<RadioGroup*>(w)) {
    const QStringList parts = text.split(QChar(HintText::Separator));
    for (int i = 0; i < group->count(); ++i)
      if (QRadioButton* item = group->button(i)) item->setAccessibleDescription(parts.value(i));
  }
}

void setAccessibleName(QWidget* w, const QString& text) {
  w->setAccessibleName(text);
  // An editable combo box is read through its edit.
  if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->lineEdit())
    combo->lineEdit()->setAccessibleName(text);
}

void setDialog(QObject* o, FileDialogSpec::Kind kind, bool filter, const QString& text) {
  auto* spec = qobject_cast<FileDialogSpec*>(o);
  if (!spec || spec->kind != kind) return;
  (filter ? spec->filter : spec->title) = text;
}

}  // namespace

void ApplyLanguageEntries(const LanguageFiles::Language& language, LangTextTable& texts,
                          int highest, const QList<QWidget*>& forms) {
  const int top = qMin(highest, int(texts.size()) - 1);
  NameIndex names(forms);
  // Descriptions of their own go last: they stand over those of the hints.
  QList<const Entry*> descriptions;
  for (const Entry& e : language.entries) {
    if (e.value.isEmpty()) continue;
    switch (e.kind) {
      case EntryKind::Var:
        if (e.numberValid && e.number >= 0 && e.number <= top) texts[size_t(e.number)] = e.value;
        continue;
      case EntryKind::Application:
        QGuiApplication::setApplicationDisplayName(QString::fromUtf8(e.value));
        continue;
      case EntryKind::Form:
        if (QWidget* w = names.form(e.componentName)) w->setWindowTitle(QString::fromUtf8(e.value));
        continue;
      case EntryKind::Unknown:
        continue;
      default:
        break;
    }
    QObject* o = names.component(e.formName, e.componentName);
    if (!o) continue;
    const QString text = QString::fromUtf8(e.value);
    switch (e.kind) {
      case EntryKind::Hint:
        // Kept as it stands: the hint shaper splits at its separator and shows it as plain text.
        if (auto* w = qobject_cast<QWidget*>(o)) setHint(w, text);
        break;
      case EntryKind::AccName:
        if (auto* w = qobject_cast<QWidget*>(o)) setAccessibleName(w, text);
        break;
      case EntryKind::AccDesc:
        descriptions.append(&e);
        break;
      case EntryKind::LEdit:
        setAttachedLabel(o, text);
        break;
      case EntryKind::MenuItem:
        setMenuItem(o, text);
        break;
      case EntryKind::RadioGroupItems:
        setRadioItems(o, e.value);
        break;
      case EntryKind::HeaderControl:
        setHeaderSections(o, e.value);
        break;
      case EntryKind::SaveDialog:
        setDialog(o, FileDialogSpec::Kind::Save, false, text);
        break;
      case EntryKind::SaveDialogFilter:
        setDialog(o, FileDialogSpec::Kind::Save, true, text);
        break;
      case EntryKind::OpenDialog:
        setDialog(o, FileDialogSpec::Kind::Open, false, text);
        break;
      case EntryKind::OpenDialogFilter:
        setDialog(o, FileDialogSpec::Kind::Open, true, text);
        break;
      default:
        if (LanguageFiles::IsCaptionKind(e.kind)) setCaption(o, text);
        break;
    }
  }
  for (const Entry* e : std::as_const(descriptions))
    if (auto* w = qobject_cast<QWidget*>(names.component(e->formName, e->componentName)))
      w->setAccessibleDescription(QString::fromUtf8(e->value));
}

bool ApplyLanguage(const QByteArray& path, LangTextTable& texts, int highest,
                   const QByteArray& defaultForm, const QList<QWidget*>& forms) {
  LanguageFiles::Language language;
  if (!LanguageFiles::LoadLanguage(path, defaultForm, language)) return false;
  ApplyLanguageEntries(language, texts, highest, forms);
  QtTranslations::Load(language.englishName);
  return true;
}
