#pragma once

#include "i18n/lang_man_engine.h"
#include "i18n/translatable_properties.h"
#include "i18n/translation_store.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <set>

class QMetaObject;

namespace i18n {

// The translation client of one window. At the engine's first use it captures
// the design texts of the window and of every named control below it (once);
// at every language change it writes the current language's texts into them,
// falling back to the captured design texts. Which properties of which
// controls take part is fixed by translatableProperties().
//
// A control may narrow what is translated through an int property "langManTag":
// -799 skips it, -798 leaves out hints, -797 leaves out its text (pnText),
// -790 translates its text alone, -789 its hints alone.
class TLangManClient : public TLangManComponent
{
public:
    explicit TLangManClient(QWidget *form);
    ~TLangManClient() override;
    TLangManClient(const TLangManClient &) = delete;
    TLangManClient &operator=(const TLangManClient &) = delete;

    TLangManEngine *LangManEngine() const { return m_engine; }
    // Joining an engine that is already in use captures and catches up at once.
    void setLangManEngine(TLangManEngine *engine);

    // Controls of these classes (and their subclasses) carry only a hint here:
    // the program writes their texts itself.
    void setHintOnly(const QMetaObject *controlClass);

    // The window's own creation is complete: the engine's first use, unless a
    // look-up made during the creation came first.
    void FormCreated();

    // TLangManComponent
    void Initialize() override;
    void LanguageChanged() override;
    void EngineDestroyed() override { m_engine = nullptr; }

    // The design texts as captured: every entry has Descent 255 and Changeable 1.
    bool IsCaptured() const { return m_captured; }
    const TComponentStructure &DesignTexts() const { return m_design; }
    void CaptureDesignTexts();
    void ApplyTranslations();

    // The owner name of the window's controls (the window's own has none).
    QString OwnerName() const;

    // Announced after the window was re-texted.
    std::function<void(TLangManClient *Sender)> OnChangeLanguage;

    // The dynamic property holding a control's tag.
    static constexpr const char *kTagProperty = "langManTag";

private:
    struct Control
    {
        QObject *object;
        QString name;
        QString owner;
        unsigned kind;
    };
    QList<Control> walk() const;
    unsigned kindOf(const QObject *object) const;
    bool takesPart(const TranslatableProperty &property, const Control &control) const;
    void capture(const Control &control);
    void apply(const Control &control);
    // Runs `step` on one control; a failure is told on stderr (each once) and
    // the other controls go on.
    template <class Step>
    void forControl(const Control &control, const char *what, Step step);
    QString lookUp(const QString &lineId) const;
    void store(const Control &control, quint16 id, const QString &item, const QString &text);

    QPointer<QWidget> m_form;
    TLangManEngine *m_engine = nullptr;
    QList<const QMetaObject *> m_hintOnly;
    std::set<quint16> m_enabled;
    TComponentStructure m_design;
    bool m_captured = false;
    QStringList m_failuresReported;
};

} // namespace i18n
