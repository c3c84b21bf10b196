#include "servers/vasko.h"
#include "com/bstr.h"
#include "ngram/binary_model.h"
#include "ngram/load_error.h"
#include "ngram/settings_file.h"

namespace servers {

namespace {
constexpr char kName[] = "Vasko";
}

LONG Vasko::LoadClasses(BSTR file, bool idsFromModel) {
    model_.Set(nullptr);
    try {
        const ngram::SettingsFile settings = ngram::SettingsFile::Read(com::FromBstr(file));
        const std::string classFile = settings.GetPath("wc_file");
        if (classFile.empty()) throw ngram::LoadError(settings.FileName() + ": no key wc_file");
        std::vector<std::string> classNames;
        const std::string sequences = idsFromModel ? settings.GetPath("kn_model") : std::string();
        if (!sequences.empty()) {
            const ngram::NgramModel vocab = ngram::ReadModelFile(sequences, true);
            for (int32_t id = 0; id < vocab.VocabularySize(); ++id) classNames.push_back(id ? vocab.Word(id) : "");
        }
        model_.Set(std::make_shared<const ngram::ClassModel>(ngram::ClassModel::ReadFile(classFile, classNames)));
        return 1;
    } catch (const std::bad_alloc&) {
        ReportLoadFailure(kName, "out of memory while loading");
    } catch (const std::exception& e) {
        ReportLoadFailure(kName, e.what());
    }
    return 0;
}

HRESULT Vasko::Load(BSTR file, LONG* ok) {
    if (!ok) return E_POINTER;
    *ok = 0;
    return Guard(IID_IWC, kName, [&] {
        *ok = LoadClasses(file, true);
        return S_OK;
    });
}

HRESULT Vasko::Load1(BSTR file, LONG* ok) {
    if (!ok) return E_POINTER;
    *ok = 0;
    return Guard(IID_IWC, kName, [&] {
        *ok = LoadClasses(file, false);
        return S_OK;
    });
}

HRESULT Vasko::ClassCount(LONG* count) {
    if (!count) return E_POINTER;
    auto m = model_.Get();
    *count = m ? static_cast<LONG>(m->ClassCount()) : 0;
    return S_OK;
}

HRESULT Vasko::Probability(LONG classId, LONG wordId, double* p) {
    if (!p) return E_POINTER;
    auto m = model_.Get();
    *p = m ? m->Probability(classId, wordId) : 0.0;
    return S_OK;
}

HRESULT Vasko::GetWordID(BSTR word, LONG* id) {
    if (!id) return E_POINTER;
    return Guard(IID_IWC, kName, [&] {
        auto m = model_.Get();
        *id = m ? m->WordId(com::FromBstr(word)) : 0;
        return S_OK;
    });
}

HRESULT Vasko::GetClassID(BSTR word, LONG* id) {
    if (!id) return E_POINTER;
    return Guard(IID_IWC, kName, [&] {
        auto m = model_.Get();
        *id = m ? m->ClassOfWord(com::FromBstr(word)) : 0;
        return S_OK;
    });
}

HRESULT Vasko::GetWordClassID(BSTR text, LONG* id) {
    if (!id) return E_POINTER;
    return Guard(IID_IWC, kName, [&] {
        auto m = model_.Get();
        *id = m ? m->ClassOfText(com::FromBstr(text)) : 0;
        return S_OK;
    });
}

}  // namespace servers
