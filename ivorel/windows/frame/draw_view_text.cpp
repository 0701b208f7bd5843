// The in-place text of a selection: a rich-text editor laid over the selection while it is edited, the
// text drawn in the selection's rectangle otherwise, and the character and paragraph records of a store
// filled from the editor's formats.
#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <cstring>

#include "ivorel/windows/frame/draw_view.h"
#include "ivorel/windows/frame/mdi_child.h"

namespace {

void put32(unsigned char* at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(v >> (8 * i));
}

// The character record: size, mask, effects (bold 1, italic 2, underline 4), height in twips, offset,
// colour (0x00BBGGRR), character set, pitch, then the face name (32 bytes).
void store_char_format(const QTextCharFormat& f, SelectionText& t) {
  auto& r = t.charFormat;
  r.fill(0);
  put32(&r[0], SelectionText::kCharFormatBytes);
  put32(&r[4], 0x4000000F);  // face, size, colour and the three effects are given
  put32(&r[8],
        (f.fontWeight() >= QFont::Bold ? 1 : 0) | (f.fontItalic() ? 2 : 0) | (f.fontUnderline() ? 4 : 0));
  const double points = f.fontPointSize() > 0 ? f.fontPointSize() : 10;
  put32(&r[12], static_cast<std::uint32_t>(points * 20));
  const QColor c = f.foreground().color();
  put32(&r[20], static_cast<std::uint32_t>(c.red() | c.green() << 8 | c.blue() << 16));
  const QByteArray face = f.fontFamilies().toStringList().value(0).toUtf8().left(31);
  std::memcpy(&r[26], face.constData(), static_cast<std::size_t>(face.size()));
  t.hasCharFormat = true;
}

// The paragraph record: size, mask, numbering, ... and at byte 24 the alignment (1 left, 2 right, 3 centre).
void store_para_format(const QTextBlockFormat& f, SelectionText& t) {
  auto& r = t.paraFormat;
  r.fill(0);
  put32(&r[0], SelectionText::kParaFormatBytes);
  put32(&r[4], 0x8);  // alignment is given
  const Qt::Alignment a = f.alignment();
  const int alignment = a & Qt::AlignHCenter ? 3 : a & Qt::AlignRight ? 2 : 1;
  r[24] = static_cast<unsigned char>(alignment);
  t.hasParaFormat = true;
}

// Formatting keys of the editor: bold, italic, underline, and left, centred, right paragraphs. The editor
// claims them before the frame's shortcuts see them.
class FormatKeys : public QObject {
 public:
  explicit FormatKeys(QTextEdit* editor) : QObject(editor), editor_(editor) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() != Qt::ControlModifier) return false;
    const int k = key->key();
    if (k != Qt::Key_B && k != Qt::Key_I && k != Qt::Key_U && k != Qt::Key_L && k != Qt::Key_E &&
        k != Qt::Key_R)
      return false;
    event->accept();
    if (event->type() == QEvent::ShortcutOverride) return true;
    switch (k) {
      case Qt::Key_B:
        editor_->setFontWeight(editor_->fontWeight() >= QFont::Bold ? QFont::Normal : QFont::Bold);
        break;
      case Qt::Key_I:
        editor_->setFontItalic(!editor_->fontItalic());
        break;
      case Qt::Key_U:
        editor_->setFontUnderline(!editor_->fontUnderline());
        break;
      case Qt::Key_L:
        editor_->setAlignment(Qt::AlignLeft);
        break;
      case Qt::Key_E:
        editor_->setAlignment(Qt::AlignHCenter);
        break;
      default:
        editor_->setAlignment(Qt::AlignRight);
    }
    return true;
  }

 private:
  QTextEdit* editor_;
};

}  // namespace

void CDrawView::ToggleTextEditor() {
  if (m_textEditor) {
    CloseTextEditor();
    return;
  }
  if (m_selection.size() != 1 || !m_selection.front()->ImagePart()) return;
  m_textObject = m_selection.front();
  SelectionImagePart* part = m_textObject->ImagePart();
  const RECT r = DocToClient(m_textObject->Bounds());
  m_textEditor = new QTextEdit(viewport());
  m_textEditor->setObjectName("SelectionTextEditor");
  m_textEditor->setAcceptRichText(true);
  m_textEditor->installEventFilter(new FormatKeys(m_textEditor));
  m_textEditor->setFrameShape(QFrame::Box);
  m_textEditor->setStyleSheet("QTextEdit { background: rgba(255, 255, 255, 160); }");
  m_textEditor->setGeometry(r.left, r.top, std::max(40, r.right - r.left), std::max(24, r.bottom - r.top));
  if (!part->text.text.empty()) m_textEditor->setHtml(QString::fromStdString(part->text.text));
  part->text.windowOpen = true;
  m_textEditor->show();
  m_textEditor->setFocus();
  SetCurrentTool(0);
}

void CDrawView::CloseTextEditor() {
  if (!m_textEditor) return;
  if (m_textObject && m_document.Contains(m_textObject)) {
    SelectionText& t = m_textObject->ImagePart()->text;
    const bool empty = m_textEditor->document()->isEmpty();
    t.text = empty ? std::string() : m_textEditor->toHtml().toStdString();
    QTextCursor cursor(m_textEditor->document());
    store_char_format(cursor.charFormat(), t);
    store_para_format(cursor.blockFormat(), t);
    if (empty) t.hasCharFormat = t.hasParaFormat = false;
    t.windowOpen = false;
    InvalObj(m_textObject);
  }
  m_textEditor->hide();
  m_textEditor->deleteLater();
  m_textEditor = nullptr;
  m_textObject = nullptr;
}

void CDrawView::PaintText(QPainter& painter, const CDrawObj& object) {
  const SelectionImagePart* part = object.ImagePart();
  if (!part || part->text.text.empty() || &object == m_textObject) return;
  const RECT r = DocToClient(object.Bounds());
  QTextDocument doc;
  doc.setHtml(QString::fromStdString(part->text.text));
  doc.setTextWidth(r.right - r.left);
  painter.save();
  painter.translate(r.left, r.top);
  const QRect box(0, 0, r.right - r.left, r.bottom - r.top);
  painter.setClipRect(box, Qt::IntersectClip);
  // Text without a colour of its own takes the selection's line colour.
  QAbstractTextDocumentLayout::PaintContext context;
  context.clip = box;
  const std::uint32_t c = object.m_bPen ? object.m_logpen.colour : 0;
  context.palette.setColor(QPalette::Text, QColor(static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF),
                                                  static_cast<int>(c >> 16 & 0xFF)));
  doc.documentLayout()->draw(&painter, context);
  painter.restore();
}
