// The controls of one operation's parameter words, built from the word declarations: a spin box with a
// slider for every integer word, a check box or a list for a word that names a choice, and a spin box for every
// real one, each with the word's range. Every change
// goes straight into the words the toolkit remembers for the operation.
#pragma once

#include <QWidget>

#include "ivorel/operations/operation_registry.h"

class QAbstractSpinBox;

namespace ivorel::toolkit {

class ParameterForm : public QWidget {
  Q_OBJECT
 public:
  ParameterForm(const registry::Operation& op, QWidget* parent);

  const registry::Operation& operation() const { return op_; }
  // The control of word `index` (named "w<index>"): a spin box, or for a choice a check box or a list.
  QWidget* word_control(int index) const;
  // Back to the declared defaults.
  void reset();
  // Shows the words the toolkit remembers for the operation (after they were set from outside).
  void show_words();

 signals:
  void changed();

 private:

  const registry::Operation& op_;
};

}  // namespace ivorel::toolkit
