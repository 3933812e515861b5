#include "platform/linux/gl/shader_generator.h"

namespace gfx::gl {

namespace {

std::string Str(int value) {
    return std::to_string(value);
}

const char* SourceExpression(std::uint8_t source, const char* material) {
    switch (source) {
        case 1:
            return "aDiffuse";
        case 2:
            return "aSpecular";
        default:
            return material;
    }
}

// One argument with its modifiers, as a vec4 expression.
std::string Argument(std::uint8_t arg, int stage) {
    std::string base;
    switch (arg & D3DTA_SELECTMASK) {
        case D3DTA_DIFFUSE:
            base = "diffuse";
            break;
        case D3DTA_CURRENT:
            base = "current";
            break;
        case D3DTA_TEXTURE:
            base = "tex" + Str(stage);
            break;
        case D3DTA_TFACTOR:
            base = "uTFactor";
            break;
        case D3DTA_SPECULAR:
            base = "specular";
            break;
        default:
            base = "vec4(0.0)";
            break;
    }
    if (arg & D3DTA_ALPHAREPLICATE)
        base = "vec4(" + base + ".a)";
    if (arg & D3DTA_COMPLEMENT)
        base = "(vec4(1.0) - " + base + ")";
    return base;
}

// The operation's result as a vec4 expression of its three arguments.
std::string Operation(std::uint8_t op, const std::string& a0, const std::string& a1,
                      const std::string& a2, int stage) {
    const std::string tex = "tex" + Str(stage);
    switch (op) {
        case D3DTOP_SELECTARG2:
            return a2;
        case D3DTOP_MODULATE:
            return a1 + " * " + a2;
        case D3DTOP_MODULATE2X:
            return a1 + " * " + a2 + " * 2.0";
        case D3DTOP_MODULATE4X:
            return a1 + " * " + a2 + " * 4.0";
        case D3DTOP_ADD:
            return a1 + " + " + a2;
        case D3DTOP_ADDSIGNED:
            return a1 + " + " + a2 + " - vec4(0.5)";
        case D3DTOP_ADDSIGNED2X:
            return "(" + a1 + " + " + a2 + " - vec4(0.5)) * 2.0";
        case D3DTOP_SUBTRACT:
            return a1 + " - " + a2;
        case D3DTOP_ADDSMOOTH:
            return a1 + " + " + a2 + " - " + a1 + " * " + a2;
        case D3DTOP_BLENDDIFFUSEALPHA:
            return "mix(" + a2 + ", " + a1 + ", diffuse.a)";
        case D3DTOP_BLENDTEXTUREALPHA:
            return "mix(" + a2 + ", " + a1 + ", " + tex + ".a)";
        case D3DTOP_BLENDFACTORALPHA:
            return "mix(" + a2 + ", " + a1 + ", uTFactor.a)";
        case D3DTOP_BLENDTEXTUREALPHAPM:
            return a1 + " + " + a2 + " * (1.0 - " + tex + ".a)";
        case D3DTOP_BLENDCURRENTALPHA:
            return "mix(" + a2 + ", " + a1 + ", current.a)";
        case D3DTOP_MODULATEALPHA_ADDCOLOR:
            return "vec4(" + a1 + ".rgb + " + a1 + ".a * " + a2 + ".rgb, " + a1 + ".a)";
        case D3DTOP_MODULATECOLOR_ADDALPHA:
            return "vec4(" + a1 + ".rgb * " + a2 + ".rgb + " + a1 + ".aaa, " + a1 + ".a)";
        case D3DTOP_MODULATEINVALPHA_ADDCOLOR:
            return "vec4((1.0 - " + a1 + ".a) * " + a2 + ".rgb + " + a1 + ".rgb, " + a1 + ".a)";
        case D3DTOP_MODULATEINVCOLOR_ADDALPHA:
            return "vec4((vec3(1.0) - " + a1 + ".rgb) * " + a2 + ".rgb + " + a1 + ".aaa, " + a1 +
                   ".a)";
        case D3DTOP_DOTPRODUCT3:
            return "vec4(4.0 * dot(" + a1 + ".rgb - vec3(0.5), " + a2 + ".rgb - vec3(0.5)))";
        case D3DTOP_MULTIPLYADD:
            return a0 + " + " + a1 + " * " + a2;
        case D3DTOP_LERP:
            return "mix(" + a2 + ", " + a1 + ", " + a0 + ")";
        default:
            return a1;  // SELECTARG1 and the operations this device doesn't model
    }
}

std::string Args(const std::uint8_t (&args)[3], int stage, int which) {
    return args[which] == kArgUnused ? std::string("vec4(0.0)") : Argument(args[which], stage);
}

}  // namespace

std::string GenerateVertexShader(const FixedFunctionKey& key) {
    std::string s = "#version 330 core\n";
    s += "layout(location = 0) in vec4 aPosition;\n";
    s += "layout(location = 1) in vec3 aNormal;\n";
    s += "layout(location = 2) in vec4 aDiffuse;\n";
    s += "layout(location = 3) in vec4 aSpecular;\n";
    for (int set = 0; set < 8; ++set) {
        if (key.texCoordSize[set]) {
            s += "layout(location = " + Str(kAttribTexCoord0 + set) + ") in vec4 aTex" + Str(set) +
                 ";\n";
        }
    }
    s += "uniform mat4 uWorldView;\nuniform mat4 uProjection;\nuniform mat3 uNormalMatrix;\n"
         "uniform vec4 uViewport;\n"
         "uniform vec4 uMatDiffuse, uMatAmbient, uMatSpecular, uMatEmissive;\n"
         "uniform float uMatPower;\nuniform vec4 uGlobalAmbient;\n"
         "uniform int uLightMask;\nuniform vec4 uLights[" +
         Str(kLightVectors * static_cast<int>(kMaxActiveLights)) +
         "];\n"
         "uniform mat4 uTexMatrix[8];\nuniform vec3 uFogParams;\n"
         "out vec4 vDiffuse;\nout vec4 vSpecular;\nout float vFog;\n";
    for (int i = 0; i < static_cast<int>(kMaxTextureStages); ++i) {
        if (key.stages[i].texture)
            s += "out vec2 vTexCoord" + Str(i) + ";\n";
    }
    s += "void main() {\n";
    if (key.pretransformed) {
        // Screen pixels with D3D's pixel centres on whole numbers; w holds 1 / rhw.
        s += "    float w = aPosition.w != 0.0 ? 1.0 / aPosition.w : 1.0;\n"
             "    vec2 ndc = vec2((aPosition.x + 0.5 - uViewport.x) / uViewport.z * 2.0 - 1.0,\n"
             "                    1.0 - (aPosition.y + 0.5 - uViewport.y) / uViewport.w * 2.0);\n"
             "    gl_Position = vec4(ndc * w, (aPosition.z * 2.0 - 1.0) * w, w);\n"
             "    vec4 eye = vec4(aPosition.xyz, 1.0);\n";
    } else {
        // D3D's depth runs 0..w, GL's -w..w.
        s += "    vec4 eye = uWorldView * vec4(aPosition.xyz, 1.0);\n"
             "    gl_Position = uProjection * eye;\n"
             "    gl_Position.z = gl_Position.z * 2.0 - gl_Position.w;\n";
    }
    if (key.hasNormal) {
        s += "    vec3 n = uNormalMatrix * aNormal;\n";
        if (key.normalizeNormals)
            s += "    n = normalize(n);\n";
    } else {
        s += "    vec3 n = vec3(0.0);\n";
    }
    if (key.lighting) {
        s += std::string("    vec4 md = ") + SourceExpression(key.diffuseSource, "uMatDiffuse") +
             ";\n    vec4 ma = " + SourceExpression(key.ambientSource, "uMatAmbient") +
             ";\n    vec4 ms = " + SourceExpression(key.specularSource, "uMatSpecular") +
             ";\n    vec4 me = " + SourceExpression(key.emissiveSource, "uMatEmissive") + ";\n";
        s += "    vec3 ambient = uGlobalAmbient.rgb, diffuseSum = vec3(0.0), specularSum = "
             "vec3(0.0);\n"
             "    vec3 toEye = -normalize(eye.xyz);\n";
        // One loop for any set of lights: which slots are on and their kinds are uniforms, so
        // switching lights never needs another program.
        s += "    for (int i = 0; i < 8; ++i) {\n"
             "        if ((uLightMask & (1 << i)) == 0) continue;\n"
             "        int at = i * " +
             Str(kLightVectors) +
             ";\n"
             "        vec4 position = uLights[at + 3];\n"
             "        vec3 direction = uLights[at + 4].xyz;\n"
             "        vec3 L; float atten = 1.0, spot = 1.0;\n"
             "        if (position.w == 3.0) {\n"
             "            L = -normalize(direction);\n"
             "        } else {\n"
             "            vec3 d = position.xyz - eye.xyz;\n"
             "            float dist = length(d);\n"
             "            L = dist > 0.0 ? d / dist : vec3(0.0, 0.0, -1.0);\n"
             "            vec4 att = uLights[at + 5];\n"
             "            atten = dist <= att.w ? 1.0 / max(att.x + att.y * dist + att.z * dist * "
             "dist, 1e-6) : 0.0;\n"
             "            if (position.w == 2.0) {\n"
             "                vec3 sp = uLights[at + 6].xyz;\n"
             "                float rho = dot(-L, normalize(direction));\n"
             "                if (rho <= sp.y) spot = 0.0;\n"
             "                else if (rho <= sp.x) spot = pow((rho - sp.y) / max(sp.x - sp.y, "
             "1e-6), sp.z);\n"
             "            }\n"
             "        }\n"
             "        float ndl = max(dot(n, L), 0.0);\n"
             "        ambient += atten * spot * uLights[at + 2].rgb;\n"
             "        diffuseSum += atten * spot * ndl * uLights[at].rgb;\n";
        if (key.specular) {
            s += "        if (ndl > 0.0) {\n"
                 "            vec3 h = normalize(L + toEye);\n"
                 "            float nh = max(dot(n, h), 0.0);\n"
                 "            specularSum += atten * spot * (uMatPower > 0.0 ? pow(nh, uMatPower) "
                 ": 1.0) * uLights[at + 1].rgb;\n"
                 "        }\n";
        }
        s += "    }\n";
        s += "    vDiffuse = clamp(vec4(me.rgb + ma.rgb * ambient + md.rgb * diffuseSum, md.a), "
             "0.0, 1.0);\n"
             "    vSpecular = clamp(vec4(ms.rgb * specularSum, 0.0), 0.0, 1.0);\n";
    } else {
        s += key.hasDiffuse ? "    vDiffuse = aDiffuse;\n" : "    vDiffuse = vec4(1.0);\n";
        s += key.hasSpecular ? "    vSpecular = aSpecular;\n" : "    vSpecular = vec4(0.0);\n";
    }
    s += "    vFog = 1.0;\n";
    if (key.fogMode) {
        s += key.rangeFog ? "    float fogDistance = length(eye.xyz);\n"
                          : "    float fogDistance = abs(eye.z);\n";
        switch (key.fogMode) {
            case D3DFOG_LINEAR:
                s += "    float fogRange = uFogParams.y - uFogParams.x;\n"
                     "    vFog = fogRange != 0.0 ? (uFogParams.y - fogDistance) / fogRange\n"
                     "                           : (fogDistance < uFogParams.y ? 1.0 : 0.0);\n";
                break;
            case D3DFOG_EXP:
                s += "    vFog = exp(-fogDistance * uFogParams.z);\n";
                break;
            default:
                s += "    vFog = exp(-(fogDistance * uFogParams.z) * (fogDistance * "
                     "uFogParams.z));\n";
                break;
        }
        s += "    vFog = clamp(vFog, 0.0, 1.0);\n";
    }
    for (int i = 0; i < static_cast<int>(kMaxTextureStages); ++i) {
        const StageKey& stage = key.stages[i];
        if (!stage.texture)
            continue;
        const std::string out = "vTexCoord" + Str(i);
        std::string input;
        if (stage.texGen) {
            // Sphere map from the camera-space reflection vector (the camera looks along +z).
            s +=
                "    {\n        vec3 e = normalize(eye.xyz);\n        vec3 nn = n;\n"
                "        if (dot(nn, nn) > 0.0) nn = normalize(nn);\n"
                "        vec3 r = e - 2.0 * dot(nn, e) * nn;\n"
                "        float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z - 1.0) * (r.z - 1.0));\n"
                "        if (m == 0.0) m = 1.0;\n"
                "        vec4 tc = vec4(r.x / m + 0.5, -r.y / m + 0.5, 1.0, 0.0);\n";
        } else {
            const std::string a = "aTex" + Str(stage.texCoordSet);
            // D3D feeds the matrix with a 1 after the last given coordinate.
            switch (stage.transform ? key.texCoordSize[stage.texCoordSet] : 4) {
                case 1:
                    input = "vec4(" + a + ".x, 1.0, 0.0, 0.0)";
                    break;
                case 2:
                    input = "vec4(" + a + ".xy, 1.0, 0.0)";
                    break;
                case 3:
                    input = "vec4(" + a + ".xyz, 1.0)";
                    break;
                default:
                    input = key.texCoordSize[stage.texCoordSet] ? a : "vec4(0.0)";
                    break;
            }
            s += "    {\n        vec4 tc = " + input + ";\n";
        }
        if (stage.transform)
            s += "        tc = uTexMatrix[" + Str(i) + "] * tc;\n";
        s += "        " + out + " = tc.xy;\n    }\n";
    }
    s += "}\n";
    return s;
}

std::string GenerateFragmentShader(const FixedFunctionKey& key) {
    std::string s = "#version 330 core\n";
    s += "in vec4 vDiffuse;\nin vec4 vSpecular;\nin float vFog;\n";
    for (int i = 0; i < static_cast<int>(kMaxTextureStages); ++i) {
        if (key.stages[i].texture) {
            s += "in vec2 vTexCoord" + Str(i) + ";\nuniform sampler2D uTexture" + Str(i) + ";\n";
        }
    }
    s += "uniform vec4 uTFactor;\nuniform vec3 uFogColor;\nuniform float uAlphaRef;\n"
         "out vec4 fragColor;\n"
         "void main() {\n"
         "    vec4 diffuse = vDiffuse;\n    vec4 specular = vSpecular;\n"
         "    vec4 current = diffuse;\n";
    for (int i = 0; i < static_cast<int>(kMaxTextureStages); ++i) {
        const StageKey& stage = key.stages[i];
        if (!stage.colorOp)
            break;
        const std::string tex = "tex" + Str(i);
        s += "    {\n";
        s += stage.texture ? "        vec4 " + tex + " = texture(uTexture" + Str(i) +
                                 ", vTexCoord" + Str(i) + ");\n"
                           : "        vec4 " + tex + " = vec4(0.0, 0.0, 0.0, 1.0);\n";
        s += "        vec4 c = " +
             Operation(stage.colorOp, Args(stage.colorArg, i, 0), Args(stage.colorArg, i, 1),
                       Args(stage.colorArg, i, 2), i) +
             ";\n";
        if (stage.alphaOp) {
            s += "        float a = (" +
                 Operation(stage.alphaOp, Args(stage.alphaArg, i, 0), Args(stage.alphaArg, i, 1),
                           Args(stage.alphaArg, i, 2), i) +
                 ").a;\n";
        } else {
            s += "        float a = c.a;\n";
        }
        s += "        current = clamp(vec4(c.rgb, a), 0.0, 1.0);\n    }\n";
    }
    if (key.specular)
        s += "    current.rgb = clamp(current.rgb + specular.rgb, 0.0, 1.0);\n";
    if (key.alphaFunc) {
        static const char* kCompare[] = {"", "false", "<", "==", "<=", ">", "!=", ">=", "true"};
        std::string test;
        if (key.alphaFunc == D3DCMP_NEVER) {
            test = "false";
        } else {
            test = std::string("alpha ") + kCompare[key.alphaFunc] + " uAlphaRef";
        }
        // D3D compares the 8-bit alpha with the 8-bit reference.
        s += "    float alpha = floor(current.a * 255.0 + 0.5);\n"
             "    if (!(" +
             test + ")) discard;\n";
    }
    if (key.fogMode)
        s += "    current.rgb = mix(uFogColor, current.rgb, vFog);\n";
    s += "    fragColor = current;\n}\n";
    return s;
}

}  // namespace gfx::gl
