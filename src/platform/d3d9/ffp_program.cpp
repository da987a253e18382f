// The one shader program that stands in for Direct3D's fixed-function pipeline.
//
// Vertex stage: transform (or the pixel mapping of pretransformed vertices), per-vertex lighting with
// D3D's formulas in view space, and the fog distance and factor. Fragment stage: texture stage 0's
// colour and alpha operations, the specular sum, alpha test and fog blending.
//
// The choices (texture-stage operations, alpha test, fog mode, lighting on or off...) come in one of
// two ways from the same source. The general program reads them from uniforms, so one program draws
// everything; a specialised program has them as compile-time constants, so the compiler removes every
// branch the state does not take. A software rasteriser runs the fragment stage for every pixel, so
// the specialised programs are the ones the device draws with; the general one stays for comparison.
#include "platform/d3d9/internal.h"

namespace d3d9 {
namespace {

// Both stages start with this: the fog settings and D3D's fog formulas, per vertex or per pixel.
// The choices themselves are declared before it (see Declarations).
const char* const kSharedSource = R"glsl(
uniform vec3 uFogParams;   // start, end, density

float FogFactor(float d) {
    if (uFogMode == 3) {
        float span = uFogParams.y - uFogParams.x;
        if (span == 0.0) return d < uFogParams.y ? 1.0 : 0.0;
        return clamp((uFogParams.y - d) / span, 0.0, 1.0);
    }
    float e = d * uFogParams.z;
    if (uFogMode == 1) return clamp(exp(-e), 0.0, 1.0);
    return clamp(exp(-e * e), 0.0, 1.0);
}
)glsl";

// The vertex inputs. The colours arrive as red, green, blue, alpha; OpenGL ES has no BGRA vertex
// format, so there they arrive in the D3DCOLOR's memory order and are swizzled where they are read.
const char* const kVertexInputs = R"glsl(
layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aDiffuse;
layout(location = 3) in vec4 aSpecular;
layout(location = 4) in vec2 aTexCoord;
)glsl";

const char* const kVertexInputsEs = R"glsl(
layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aDiffuseBgra;
layout(location = 3) in vec4 aSpecularBgra;
layout(location = 4) in vec2 aTexCoord;
#define aDiffuse (aDiffuseBgra.bgra)
#define aSpecular (aSpecularBgra.bgra)
// OpenGL ES points take their size from the vertex stage: the stage's own main is wrapped.
#define main FfpMain
)glsl";

const char* const kVertexEndEs = R"glsl(
#undef main
void main() {
    gl_PointSize = 1.0;
    FfpMain();
}
)glsl";

const char* const kVertexSource = R"glsl(

// Pretransformed vertices: x, y in pixels (D3D pixel centres at whole numbers), z in 0..1, w = 1/w.
uniform vec4 uViewportScale;  // ndc = (pixel + 0.5) * xy + zw

// Matrices are uploaded as D3D stores them (row vectors), which GLSL reads as their transposes,
// so p x M becomes M * p here.
uniform mat4 uWorldView;
uniform mat4 uProjection;
uniform mat3 uNormalMatrix;

uniform vec4 uMatDiffuse;
uniform vec4 uMatAmbient;
uniform vec4 uMatSpecular;
uniform vec4 uMatEmissive;
uniform float uMatPower;
uniform vec3 uGlobalAmbient;

const int MAX_LIGHTS = 4;
uniform vec4 uLightPosition[MAX_LIGHTS];     // view space; w: 1 point, 2 spot, 3 directional
uniform vec3 uLightDirection[MAX_LIGHTS];    // view space, normalised, the way the light shines
uniform vec3 uLightDiffuse[MAX_LIGHTS];
uniform vec3 uLightSpecular[MAX_LIGHTS];
uniform vec3 uLightAmbient[MAX_LIGHTS];
uniform vec4 uLightAttenuation[MAX_LIGHTS];  // attenuation 0, 1, 2 and range
uniform vec4 uLightSpot[MAX_LIGHTS];         // cos(theta / 2), cos(phi / 2), falloff


out vec4 vDiffuse;
out vec4 vSpecular;
out vec2 vTexCoord;
out float vFog;
out float vFogDepth;

vec4 Source(int source, vec4 material) {
    if (source == 1) return aDiffuse;
    if (source == 2) return aSpecular;
    return material;
}

void Light(vec3 eye) {
    vec3 n = uNormalMatrix * aNormal;
    if (uNormalize) {
        float len = length(n);
        if (len > 0.0) n /= len;
    }
    vec4 md = Source(uMaterialSource.x, uMatDiffuse);
    vec4 ma = Source(uMaterialSource.y, uMatAmbient);
    vec4 ms = Source(uMaterialSource.z, uMatSpecular);
    vec4 me = Source(uMaterialSource.w, uMatEmissive);

    vec3 toViewer = vec3(0.0, 0.0, -1.0);
    if (uLocalViewer) {
        float d = length(eye);
        toViewer = d > 0.0 ? -eye / d : vec3(0.0, 0.0, -1.0);
    }

    vec3 ambient = uGlobalAmbient;
    vec3 diffuse = vec3(0.0);
    vec3 specular = vec3(0.0);
    for (int i = 0; i < uLightCount; ++i) {
        vec3 toLight;
        float factor = 1.0;
        if (uLightPosition[i].w == 3.0) {
            toLight = -uLightDirection[i];
        } else {
            vec3 d = uLightPosition[i].xyz - eye;
            float dist = length(d);
            if (dist > uLightAttenuation[i].w) continue;
            toLight = dist > 0.0 ? d / dist : vec3(0.0, 0.0, -1.0);
            float denom = uLightAttenuation[i].x + uLightAttenuation[i].y * dist +
                          uLightAttenuation[i].z * dist * dist;
            factor = denom > 0.0 ? 1.0 / denom : 1.0;
            if (uLightPosition[i].w == 2.0) {
                float rho = dot(-toLight, uLightDirection[i]);
                if (rho <= uLightSpot[i].y) {
                    factor = 0.0;
                } else if (rho <= uLightSpot[i].x) {
                    float span = uLightSpot[i].x - uLightSpot[i].y;
                    factor *= span > 0.0 ? pow((rho - uLightSpot[i].y) / span, uLightSpot[i].z) : 1.0;
                }
            }
        }
        ambient += uLightAmbient[i] * factor;
        float nl = dot(n, toLight);
        if (nl > 0.0) {
            diffuse += uLightDiffuse[i] * (nl * factor);
            vec3 h = toLight + toViewer;
            float hl = length(h);
            if (hl > 0.0) {
                float nh = dot(n, h / hl);
                if (nh > 0.0) specular += uLightSpecular[i] * (pow(nh, uMatPower) * factor);
            }
        }
    }
    vDiffuse = clamp(vec4(me.rgb + ma.rgb * ambient + md.rgb * diffuse, md.a), 0.0, 1.0);
    vSpecular = clamp(vec4(ms.rgb * specular, ms.a), 0.0, 1.0);
}

void main() {
    vTexCoord = aTexCoord;
    vDiffuse = aDiffuse;
    vSpecular = aSpecular;
    vFog = 1.0;
    vFogDepth = 0.0;
    if (uPretransformed) {
        float w = aPosition.w != 0.0 ? 1.0 / aPosition.w : 1.0;
        vec2 ndc = (aPosition.xy + 0.5) * uViewportScale.xy + uViewportScale.zw;
        gl_Position = vec4(ndc, aPosition.z * 2.0 - 1.0, 1.0) * w;
        return;
    }
    vec4 eye = uWorldView * vec4(aPosition.xyz, 1.0);
    vec4 clip = uProjection * eye;
    // D3D clip depth runs 0..w, OpenGL's -w..w.
    clip.z = clip.z * 2.0 - clip.w;
    gl_Position = clip;
    if (uLighting) Light(eye.xyz);
    if (uFogMode != 0) {
        vFogDepth = abs(eye.z);
        if (!uFogPerPixel) vFog = FogFactor(uFogRange ? length(eye.xyz) : abs(eye.z));
    }
}
)glsl";

const char* const kFragmentSource = R"glsl(
in vec4 vDiffuse;
in vec4 vSpecular;
in vec2 vTexCoord;
in float vFog;
in float vFogDepth;

uniform sampler2D uTexture0;
uniform vec4 uTextureFactor;
uniform float uAlphaRef;    // 0..255
uniform vec3 uFogColor;

out vec4 fragColour;

vec4 Argument(int arg, vec4 tex) {
    int select = arg & 15;
    vec4 v = vDiffuse;                      // D3DTA_DIFFUSE, and D3DTA_CURRENT at stage 0
    if (select == 2) v = tex;               // D3DTA_TEXTURE
    else if (select == 3) v = uTextureFactor;
    else if (select == 4) v = vSpecular;
    else if (select == 5) v = vec4(0.0);    // D3DTA_TEMP starts at zero
    if ((arg & 32) != 0) v = v.aaaa;        // D3DTA_ALPHAREPLICATE
    if ((arg & 16) != 0) v = 1.0 - v;       // D3DTA_COMPLEMENT
    return v;
}

vec4 Operation(int op, vec4 a, vec4 b, vec4 tex) {
    if (op == 2) return a;
    if (op == 3) return b;
    if (op == 4) return a * b;
    if (op == 5) return a * b * 2.0;
    if (op == 6) return a * b * 4.0;
    if (op == 7) return a + b;
    if (op == 8) return a + b - 0.5;
    if (op == 9) return (a + b - 0.5) * 2.0;
    if (op == 10) return a - b;
    if (op == 11) return a + b - a * b;
    if (op == 12) return mix(b, a, vDiffuse.a);
    if (op == 13) return mix(b, a, tex.a);
    if (op == 14) return mix(b, a, uTextureFactor.a);
    return a;
}

bool AlphaPasses(float alpha) {
    float a = floor(alpha * 255.0 + 0.5);
    if (uAlphaFunc == 1) return false;
    if (uAlphaFunc == 2) return a < uAlphaRef;
    if (uAlphaFunc == 3) return a == uAlphaRef;
    if (uAlphaFunc == 4) return a <= uAlphaRef;
    if (uAlphaFunc == 5) return a > uAlphaRef;
    if (uAlphaFunc == 6) return a != uAlphaRef;
    if (uAlphaFunc == 7) return a >= uAlphaRef;
    return true;
}

void main() {
    vec4 tex = uHasTexture ? texture(uTexture0, vTexCoord) : vec4(1.0);
    vec4 colour = vDiffuse;
    if (uColorStage.x != 1) {  // D3DTOP_DISABLE ends the cascade before stage 0
        colour.rgb = Operation(uColorStage.x, Argument(uColorStage.y, tex), Argument(uColorStage.z, tex), tex).rgb;
        if (uAlphaStage.x != 1)
            colour.a = Operation(uAlphaStage.x, Argument(uAlphaStage.y, tex), Argument(uAlphaStage.z, tex), tex).a;
    }
    colour = clamp(colour, 0.0, 1.0);
    if (uSpecularEnable) colour.rgb = min(colour.rgb + vSpecular.rgb, 1.0);
    if (uAlphaFunc != 0 && !AlphaPasses(colour.a)) discard;
    if (uFogMode != 0) {
        float f = uFogPerPixel ? FogFactor(vFogDepth) : vFog;
        colour.rgb = mix(uFogColor, colour.rgb, f);
    }
    fragColour = colour;
}
)glsl";

// The choices of one stage: uniforms for the general program, constants for a specialised one.
std::string Declarations(bool vertexStage, const FfpKey* key)
{
    // OpenGL ES: every value at full precision in both stages, so that the uniforms the stages share
    // agree and the pictures match the desktop's.
    std::string out = kEsProfile ? "#version 300 es\n"
                                   "precision highp float;\nprecision highp int;\nprecision highp sampler2D;\n"
                                 : "#version 330 core\n";
    auto declare = [&](const char* type, const char* name, const std::string& value) {
        out += key ? std::string("const ") + type + " " + name + " = " + value + ";\n"
                   : std::string("uniform ") + type + " " + name + ";\n";
    };
    const FfpKey k = key ? *key : FfpKey{};
    auto flag = [](std::int32_t v) { return std::string(v ? "true" : "false"); };
    auto ivec = [](const std::int32_t* v, int n) {
        std::string s = "ivec" + std::to_string(n) + "(";
        for (int i = 0; i < n; ++i) {
            s += (i ? ", " : "") + std::to_string(v[i]);
        }
        return s + ")";
    };
    declare("int", "uFogMode", std::to_string(k.fogMode));  // 0 none, else D3DFOG_EXP, _EXP2 or _LINEAR
    declare("bool", "uFogPerPixel", flag(k.fogPerPixel));  // table fog: the factor per fragment from the depth
    if (vertexStage) {
        declare("bool", "uPretransformed", flag(k.pretransformed));
        declare("bool", "uLighting", flag(k.lighting));
        declare("bool", "uNormalize", flag(k.normalize));
        declare("bool", "uLocalViewer", flag(k.localViewer));
        declare("ivec4", "uMaterialSource", ivec(k.materialSource, 4));
        declare("int", "uLightCount", std::to_string(k.lightCount));
        declare("bool", "uFogRange", flag(k.fogRange));  // vertex fog by distance from the eye, not depth
    } else {
        declare("bool", "uHasTexture", flag(k.hasTexture));
        declare("ivec3", "uColorStage", ivec(k.colorStage, 3));  // operation, argument 1, argument 2
        declare("ivec3", "uAlphaStage", ivec(k.alphaStage, 3));
        declare("int", "uAlphaFunc", std::to_string(k.alphaFunc));  // 0: no alpha test, else D3DCMP_*
        declare("bool", "uSpecularEnable", flag(k.specularEnable));
    }
    return out;
}

// Compiles the declarations, the shared part and the stage's own.
GLuint Compile(GLenum type, const char* source, const FfpKey* key, std::string& error)
{
    GLuint shader = glCreateShader(type);
    const std::string declarations = Declarations(type == GL_VERTEX_SHADER, key);
    const bool vertex = type == GL_VERTEX_SHADER;
    const char* parts[5] = {declarations.c_str(), kSharedSource};
    GLsizei count = 2;
    if (vertex) {
        parts[count++] = kEsProfile ? kVertexInputsEs : kVertexInputs;
    }
    parts[count++] = source;
    if (vertex && kEsProfile) {
        parts[count++] = kVertexEndEs;
    }
    glShaderSource(shader, count, parts, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == GL_TRUE) {
        return shader;
    }
    char log[2048] = {};
    glGetShaderInfoLog(shader, sizeof log - 1, nullptr, log);
    error = std::string(type == GL_VERTEX_SHADER ? "vertex shader: " : "fragment shader: ") + log;
    glDeleteShader(shader);
    return 0;
}

}  // namespace

bool FfpProgram::Build(const FfpKey* specialisedOn, std::string& error)
{
    general = specialisedOn == nullptr;
    key = specialisedOn ? *specialisedOn : FfpKey{};
    GLuint vs = Compile(GL_VERTEX_SHADER, kVertexSource, specialisedOn, error);
    if (!vs) {
        return false;
    }
    GLuint fs = Compile(GL_FRAGMENT_SHADER, kFragmentSource, specialisedOn, error);
    if (!fs) {
        glDeleteShader(vs);
        return false;
    }
    program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[2048] = {};
        glGetProgramInfoLog(program, sizeof log - 1, nullptr, log);
        error = std::string("program link: ") + log;
        Destroy();
        return false;
    }
    auto at = [this](const char* name) { return glGetUniformLocation(program, name); };
    pretransformed = at("uPretransformed");
    viewportScale = at("uViewportScale");
    worldView = at("uWorldView");
    projection = at("uProjection");
    normalMatrix = at("uNormalMatrix");
    lighting = at("uLighting");
    normalizeNormals = at("uNormalize");
    localViewer = at("uLocalViewer");
    materialSource = at("uMaterialSource");
    matDiffuse = at("uMatDiffuse");
    matAmbient = at("uMatAmbient");
    matSpecular = at("uMatSpecular");
    matEmissive = at("uMatEmissive");
    matPower = at("uMatPower");
    globalAmbient = at("uGlobalAmbient");
    lightCount = at("uLightCount");
    lightPosition = at("uLightPosition");
    lightDirection = at("uLightDirection");
    lightDiffuse = at("uLightDiffuse");
    lightSpecular = at("uLightSpecular");
    lightAmbient = at("uLightAmbient");
    lightAttenuation = at("uLightAttenuation");
    lightSpot = at("uLightSpot");
    fogMode = at("uFogMode");
    fogParams = at("uFogParams");
    fogRange = at("uFogRange");
    fogColor = at("uFogColor");
    specularEnable = at("uSpecularEnable");
    texture0 = at("uTexture0");
    hasTexture = at("uHasTexture");
    colorStage = at("uColorStage");
    alphaStage = at("uAlphaStage");
    textureFactor = at("uTextureFactor");
    alphaFunc = at("uAlphaFunc");
    alphaRef = at("uAlphaRef");
    fogPerPixel = at("uFogPerPixel");
    glUseProgram(program);
    if (texture0 >= 0) {
        glUniform1i(texture0, 0);
    }
    ++Counts().programs;
    return true;
}

void FfpProgram::Destroy()
{
    if (program) {
        glDeleteProgram(program);
    }
    program = 0;
}

}  // namespace d3d9
