#include "i18n/lang_combo.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace i18n {

TLangCombo::TLangCombo(QComboBox *combo, QObject *parent)
    : QObject(parent)
    , m_combo(combo)
{
    m_combo->setProperty("langManSelector", true);
    m_combo->setEditable(false);
    connect(m_combo, &QComboBox::activated, this, &TLangCombo::picked);
}

TLangCombo::~TLangCombo()
{
    if (m_engine)
        m_engine->UnregisterSelector(this);
}

void TLangCombo::setLangManEngine(TLangManEngine *engine)
{
    if (engine == m_engine)
        return;
    if (m_engine)
        m_engine->UnregisterSelector(this);
    if (m_combo)
        m_combo->clear();
    m_engine = engine;
    if (m_engine)
        m_engine->RegisterSelector(this);
}

void TLangCombo::RefreshLangControl(const QStringList &menu, int currentIndex)
{
    if (!m_combo)
        return;
    const QSignalBlocker quiet(m_combo);
    m_combo->clear();
    m_combo->addItems(menu);
    m_combo->setCurrentIndex(currentIndex);
    m_combo->update();
}

void TLangCombo::EngineDestroyed()
{
    m_engine = nullptr;
    if (m_combo)
        m_combo->clear();
}

void TLangCombo::picked(int index)
{
    if (!m_engine || !m_combo || index < 0)
        return;
    const QString language = m_combo->itemText(index);
    if (language == m_engine->CurrentLanguage())
        return;
    m_engine->Translate(language);
    if (OnChangeLanguage)
        OnChangeLanguage(this);
}

} // namespace i18n
