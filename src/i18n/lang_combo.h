#pragma once

#include "i18n/lang_man_engine.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QComboBox;

namespace i18n {

// A drop-down list of the engine's languages. Picking an entry other than the
// current language changes the language. The client leaves its entries alone.
class TLangCombo : public QObject, public TLangSelector
{
    Q_OBJECT

public:
    explicit TLangCombo(QComboBox *combo, QObject *parent = nullptr);
    ~TLangCombo() override;

    TLangManEngine *LangManEngine() const { return m_engine; }
    // Clears the entries, then lists the new engine's languages.
    void setLangManEngine(TLangManEngine *engine);

    // TLangSelector
    void RefreshLangControl(const QStringList &menu, int currentIndex) override;
    void EngineDestroyed() override;

    // After a change the user asked for here.
    std::function<void(TLangCombo *Sender)> OnChangeLanguage;

private:
    void picked(int index);

    QPointer<QComboBox> m_combo;
    TLangManEngine *m_engine = nullptr;
};

} // namespace i18n
