#include "install/ReadersCount.h"
#include "app/Language.h"
#include "ui/Resource.h"

namespace SINSTALL {

namespace {

std::string EnglishText(UINT id) {
    return SLANG::LoadTextInLanguage(id, SLANG::LANG_ID_ENGLISH);
}

} // namespace

std::vector<BYTE> CTokenManagerVarPoint::GetATR() const {
    // Exactly the English resource: the ATR is the same card whatever the interface language.
    const HRSRC found =
        FindResourceExA(nullptr, "BINARY", MAKEINTRESOURCEA(IDR_CARD_ATR), SLANG::LANG_ID_ENGLISH);
    if (found == nullptr) {
        return std::vector<BYTE>();
    }
    const HGLOBAL loaded = LoadResource(nullptr, found);
    const DWORD size = SizeofResource(nullptr, found);
    const BYTE* const bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (bytes == nullptr || size == 0) {
        return std::vector<BYTE>();
    }
    return std::vector<BYTE>(bytes, bytes + size);
}

std::string CTokenManagerVarPoint::GetReaderNamePrefix() const {
    return EnglishText(IDS_READER_PREFIX);
}

std::string CTokenManagerVarPoint::GetCardName() const {
    return EnglishText(IDS_CARD_NAME);
}

std::string CTokenManagerVarPoint::GetDriverServiceKey() const {
    return EnglishText(IDS_DRIVER_SERVICE_KEY);
}

std::string CTokenManagerVarPoint::GetReaderInfName() const {
    return EnglishText(IDS_FILE_IFDH_INF);
}

std::string CTokenManagerVarPoint::GetReaderHardwareId() const {
    return EnglishText(IDS_READER_HARDWARE_ID);
}

SZentavoManager::CVariationPointPtr MakeTokenVariationPoint() {
    return std::make_shared<CTokenManagerVarPoint>();
}

CRegisterTokenLocal::CRegisterTokenLocal()
    : CRegisterZentavo(MakeTokenVariationPoint(), true, true) {}

CUnregisterTokenLocal::CUnregisterTokenLocal()
    : CUnRegisterZentavo(MakeTokenVariationPoint(), false) {}

} // namespace SINSTALL
