#include "i18n/lang_man_client.h"

#include "i18n/char_codes.h"
#include "i18n/property_ids.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QToolButton>

#include <exception>

namespace i18n {

namespace {

// Tags a control may carry to narrow what is translated.
constexpr int kTagSkip = -799;
constexpr int kTagNoHints = -798;
constexpr int kTagNoText = -797;
constexpr int kTagTextOnly = -790;
constexpr int kTagHintsOnly = -789;

bool isHint(quint16 id)
{
    return id == pnHint || id == pnTextHint || id == pnEditLabelHint || id == pnBalloonHint;
}

// Platform-view suffixes of a form name ("Form1_Android") do not belong to it.
QString withoutViewSuffix(const QString &formName)
{
    const qsizetype underscore = formName.lastIndexOf(QLatin1Char('_'));
    if (underscore < 0)
        return formName;
    const QString view = formName.mid(underscore + 1);
    const bool platformView = view.indexOf(QLatin1String("hdpi")) >= 2 || view.startsWith(QLatin1String("iPhone"))
                              || view.startsWith(QLatin1String("Android")) || view == QLatin1String("Macintosh")
                              || view == QLatin1String("Windows");
    return platformView ? formName.left(underscore) : formName;
}

QString withoutHotKeys(QString text)
{
    return text.remove(QLatin1Char('&'));
}

// Widgets the walk does not look into: their children are their own parts.
bool isCompound(const QObject *object)
{
    return qobject_cast<const QAbstractButton *>(object) || qobject_cast<const QComboBox *>(object)
           || qobject_cast<const QAbstractSpinBox *>(object) || qobject_cast<const QLineEdit *>(object)
           || qobject_cast<const QAbstractItemView *>(object) || qobject_cast<const QPlainTextEdit *>(object)
           || qobject_cast<const QFileDialog *>(object) || qobject_cast<const QLabel *>(object);
}

} // namespace

TLangManClient::TLangManClient(QWidget *form)
    : m_form(form)
{
    for (const TranslatableProperty &property : translatableProperties())
        m_enabled.insert(property.id);
}

TLangManClient::~TLangManClient()
{
    if (m_engine)
        m_engine->UnregisterComponent(this);
}

void TLangManClient::setLangManEngine(TLangManEngine *engine)
{
    if (engine == m_engine)
        return;
    if (m_engine)
        m_engine->UnregisterComponent(this);
    m_engine = engine;
    if (m_engine)
        m_engine->RegisterComponent(this);
}

void TLangManClient::setHintOnly(const QMetaObject *controlClass)
{
    m_hintOnly << controlClass;
}

void TLangManClient::FormCreated()
{
    if (m_engine)
        m_engine->InitializeEngine(true);
}

void TLangManClient::Initialize()
{
    if (!m_captured)
        CaptureDesignTexts();
}

void TLangManClient::LanguageChanged()
{
    if (m_captured && !m_design.isEmpty())
        ApplyTranslations();
    if (OnChangeLanguage)
        OnChangeLanguage(this);
}

QString TLangManClient::OwnerName() const
{
    return m_form ? withoutViewSuffix(m_form->objectName()) : QString();
}

unsigned TLangManClient::kindOf(const QObject *object) const
{
    if (object == m_form)
        return kWindow;
    if (qobject_cast<const QFileDialog *>(object))
        return kFileDialog;
    if (!object->isWidgetType())
        return kNoKind;
    for (const QMetaObject *hintOnly : m_hintOnly) {
        if (object->metaObject()->inherits(hintOnly))
            return kHintOnly;
    }
    if (const auto *combo = qobject_cast<const QComboBox *>(object)) {
        // A language selector's entries are the languages themselves.
        if (combo->property("langManSelector").toBool())
            return kHintOnly;
        return combo->isEditable() ? kEditableCombo : kCombo;
    }
    if (qobject_cast<const QLabel *>(object) || qobject_cast<const QAbstractButton *>(object))
        return kCaptioned;
    if (qobject_cast<const QLineEdit *>(object))
        return kEdit;
    if (qobject_cast<const QAbstractSpinBox *>(object))
        return kSpin;
    if (qobject_cast<const QListWidget *>(object))
        return kList;
    if (qobject_cast<const QPlainTextEdit *>(object))
        return kMemo;
    return kHintOnly;
}

QList<TLangManClient::Control> TLangManClient::walk() const
{
    QList<Control> controls;
    if (!m_form)
        return controls;
    const QString owner = OwnerName();
    controls.append({m_form, m_form->objectName(), QString(), kWindow});

    // Depth first in creation order, as the controls were laid out.
    QList<QObject *> pending;
    const auto pushChildren = [&pending](QObject *parent) {
        const QObjectList &children = parent->children();
        for (auto it = children.crbegin(); it != children.crend(); ++it)
            pending.append(*it);
    };
    pushChildren(m_form);
    while (!pending.isEmpty()) {
        QObject *object = pending.takeLast();
        const QString name = object->objectName();
        // Parts that Qt makes inside its own widgets are named "qt_...".
        if (name.startsWith(QLatin1String("qt_")))
            continue;
        if (!isCompound(object))
            pushChildren(object);
        if (name.isEmpty())
            continue;
        const unsigned kind = kindOf(object);
        if (kind != kNoKind)
            controls.append({object, name, owner, kind});
    }
    return controls;
}

bool TLangManClient::takesPart(const TranslatableProperty &property, const Control &control) const
{
    if (!(property.kinds & control.kind) || !m_enabled.contains(property.id))
        return false;
    bool ok = false;
    const int tag = control.object->property(kTagProperty).toInt(&ok);
    if (!ok)
        return true;
    switch (tag) {
    case kTagSkip:
        return false;
    case kTagNoHints:
        return !isHint(property.id);
    case kTagNoText:
        return property.id != pnText;
    case kTagTextOnly:
        return property.id == pnText;
    case kTagHintsOnly:
        return isHint(property.id);
    default:
        return true;
    }
}

void TLangManClient::store(const Control &control, quint16 id, const QString &item, const QString &text)
{
    TFullStructLine line;
    line.CompName = control.name;
    line.OwnerName = control.owner;
    line.PropertyID = id;
    line.ItemAddr = item;
    line.Translation = EncodeControlChars(text);
    line.Descent = kDesignDescent;
    line.Changeable = kHasTranslation;
    m_design.add(line);
}

template <class Step>
void TLangManClient::forControl(const Control &control, const char *what, Step step)
{
    QString failure;
    try {
        step(control);
        return;
    } catch (const std::exception &e) {
        failure = QString::fromLocal8Bit(e.what());
    } catch (...) {
        failure = QStringLiteral("unknown failure");
    }
    const QString where = control.owner.isEmpty() ? control.name : control.owner + QLatin1Char('.') + control.name;
    const QString message = QStringLiteral("%1 %2: %3").arg(QLatin1String(what), where, failure);
    if (m_failuresReported.contains(message))
        return;
    m_failuresReported.append(message);
    qWarning("language: %s", qPrintable(message));
}

void TLangManClient::CaptureDesignTexts()
{
    m_captured = true;
    // One control that fails leaves the others captured.
    for (const Control &control : walk())
        forControl(control, "capturing", [this](const Control &c) { capture(c); });
}

void TLangManClient::capture(const Control &control)
{
    for (const TranslatableProperty &property : translatableProperties()) {
        if (!takesPart(property, control))
            continue;
        switch (property.shape) {
        case PropertyShape::Single: {
            const QString text = property.text(control.object);
            if (text.isEmpty() || text == control.name || !IsTranslatableText(text))
                break;
            // A button showing its action's text follows the action, not us.
            if (const auto *tool = qobject_cast<const QToolButton *>(control.object)) {
                if (tool->defaultAction() && withoutHotKeys(tool->defaultAction()->text()) == withoutHotKeys(text))
                    break;
            }
            store(control, property.id, QString(), text);
            break;
        }
        case PropertyShape::List: {
            const QStringList entries = property.entries(control.object);
            for (int i = 0; i < entries.size(); ++i) {
                if (IsTranslatableText(entries.at(i)))
                    store(control, property.id, QString::number(i), entries.at(i));
            }
            break;
        }
        case PropertyShape::Filter:
            for (const QString &filter : property.entries(control.object)) {
                const FilterPair pair = splitNameFilter(filter);
                if (IsTranslatableText(pair.description))
                    store(control, property.id, filterItemAddr(pair.masks), pair.description);
            }
            break;
        }
    }
}

QString TLangManClient::lookUp(const QString &lineId) const
{
    QString text = m_engine ? m_engine->TranslationFor(lineId) : QString();
    if (text.isEmpty()) {
        if (const TFullStructLine *design = m_design.find(lineId))
            text = design->Translation;
    }
    return DecodeCharCodes(text);
}

void TLangManClient::ApplyTranslations()
{
    for (const Control &control : walk())
        forControl(control, "translating", [this](const Control &c) { apply(c); });
}

void TLangManClient::apply(const Control &control)
{
    for (const TranslatableProperty &property : translatableProperties()) {
        if (!takesPart(property, control))
            continue;
        switch (property.shape) {
        case PropertyShape::Single: {
            const QString text = lookUp(LineID(control.name, control.owner, property.id, QString()));
            if (!text.isEmpty())
                property.setText(control.object, text);
            break;
        }
        case PropertyShape::List: {
            // Only entries that exist now; a list grown since the capture
            // keeps its extra entries unless the language names them.
            const int count = int(property.entries(control.object).size());
            for (int i = 0; i < count; ++i) {
                const QString text = lookUp(LineID(control.name, control.owner, property.id, QString::number(i)));
                if (!text.isEmpty())
                    property.setEntry(control.object, i, text);
            }
            break;
        }
        case PropertyShape::Filter: {
            QStringList filters;
            for (const QString &filter : property.entries(control.object)) {
                FilterPair pair = splitNameFilter(filter);
                const QString text =
                    lookUp(LineID(control.name, control.owner, property.id, filterItemAddr(pair.masks)));
                if (!text.isEmpty())
                    pair.description = text;
                filters << joinNameFilter(pair);
            }
            setFileDialogFilters(control.object, filters);
            break;
        }
        }
    }
}

} // namespace i18n
