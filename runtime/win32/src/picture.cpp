// The logo, decoded with the platform's own imaging component (WIC).
#include "win32_impl.hpp"

#include <wincodec.h>

namespace gr::win32 {

namespace {

// Releases a COM interface when it goes.
template <class T>
class Com {
public:
    Com() = default;
    ~Com()
    {
        if (p_ != nullptr) p_->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T** put() { return &p_; }
    T* operator->() const { return p_; }
    T* get() const { return p_; }

private:
    T* p_ = nullptr;
};

using CoInitializeExFn = HRESULT(WINAPI*)(void*, DWORD);
using CoUninitializeFn = void(WINAPI*)();
using CoCreateInstanceFn = HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, REFIID, void**);

struct Ole {
    CoInitializeExFn initialise = nullptr;
    CoUninitializeFn uninitialise = nullptr;
    CoCreateInstanceFn create = nullptr;
};

template <class Fn>
Fn lookUp(HMODULE module, const char* name)
{
    return module == nullptr ? nullptr : reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

const Ole& ole()
{
    static const Ole functions = [] {
        Ole f;
        HMODULE module = ::LoadLibraryExW(L"ole32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (module == nullptr) module = ::LoadLibraryW(L"ole32.dll");
        f.initialise = lookUp<CoInitializeExFn>(module, "CoInitializeEx");
        f.uninitialise = lookUp<CoUninitializeFn>(module, "CoUninitialize");
        f.create = lookUp<CoCreateInstanceFn>(module, "CoCreateInstance");
        return f;
    }();
    return functions;
}

} // namespace

bool startCom()
{
    return ole().initialise != nullptr &&
           SUCCEEDED(ole().initialise(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

void endCom()
{
    if (ole().uninitialise != nullptr) ole().uninitialise();
}

HBITMAP decodePicture(const std::vector<uint8_t>& bytes)
{
    if (bytes.empty() || bytes.size() > 0x7FFFFFFF) return nullptr;
    Com<IWICImagingFactory> factory;
    if (ole().create == nullptr ||
        FAILED(ole().create(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  reinterpret_cast<void**>(factory.put()))))
        return nullptr;
    Com<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()))))
        return nullptr;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    Com<IWICFormatConverter> converter;
    if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())) || FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return nullptr;
    UINT width = 0, height = 0;
    // A logo is small; anything beyond 4096 pixels a side is not one.
    if (FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0 || width > 4096 || height > 4096)
        return nullptr;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height); // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) return nullptr;
    const UINT stride = width * 4;
    if (FAILED(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
        ::DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}

} // namespace gr::win32
