// The catalogue's data: every table of the system with its fields in order and its indexes.
#include "store/catalogue.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <stdexcept>

#include "store/reftables.h"

namespace vorn::store {
namespace {

std::string two(int k) {
    return (k < 10 ? "0" : "") + std::to_string(k);
}

// "A B C" + "N15.2" → "A N15.2, B N15.2, C N15.2".
std::string each(std::string_view names, std::string_view type) {
    std::string out;
    size_t i = 0;
    while (i < names.size()) {
        while (i < names.size() && names[i] == ' ') ++i;
        size_t b = i;
        while (i < names.size() && names[i] != ' ') ++i;
        if (b == i) break;
        if (!out.empty()) out += ", ";
        out += std::string(names.substr(b, i - b)) + " " + std::string(type);
    }
    return out;
}

// prefix + from..to (two digits) + suffix, each of `type`.
std::string range(std::string_view prefix, int from, int to, std::string_view type,
                  std::string_view suffix = "") {
    std::string out;
    for (int k = from; k <= to; ++k) {
        if (!out.empty()) out += ", ";
        out += std::string(prefix) + two(k) + std::string(suffix) + " " + std::string(type);
    }
    return out;
}

// prefix + from..to (plain number) of `type`: I1_4..I1_7.
std::string plain_range(std::string_view prefix, int from, int to, std::string_view type) {
    std::string out;
    for (int k = from; k <= to; ++k) {
        if (!out.empty()) out += ", ";
        out += std::string(prefix) + std::to_string(k) + " " + std::string(type);
    }
    return out;
}

std::string join(std::initializer_list<std::string> parts) {
    std::string out;
    for (const auto& p : parts) {
        if (p.empty()) continue;
        if (!out.empty()) out += ", ";
        out += p;
    }
    return out;
}

std::string table01() {
    std::string s = "CPF C11";
    for (int k = 1; k <= 26; ++k) {
        s += ", I3_" + two(k) + " N15.2";
        if (k <= 15) s += ", I4_" + two(k) + " N15.2";
    }
    return join({s,
                 each("I3_04GCPV I3_04UNIC I3_04REDU I3_04EXTR I3_04GCPVC I3_04UNICC I3_04REDUC "
                      "I3_04EXTRC",
                      "N15.2"),
                 "DESPINST C1, DESPALIM N1.0, RELDEPEN C20, Indsobre C1, IndPeS C1, IndSfim C1",
                 "CpfInvent C11, NomInvent C40, EndInvent C70, DataParti D, Datadecis D, "
                 "nroProces C25, VaraCivil C4, Comarca C25, UFProces C2",
                 "CpfInvent2 C11, NomInvent2 C40, EndInvent2 C70, DataParti2 D, Datadecis2 D, "
                 "nroProces2 C25, VaraCivil2 C4, Comarca2 C25, UFProces2 C2",
                 "AnoObito N4.0, DecFinal C1, DecSaida C1, DataSaida D, DecJudi C1, DataLavra D, "
                 "NomeCarto C80, CnpjCarto C14, MuniCarto C30, Livrcarto N7.0, FolhCarto N7.0, "
                 "DecJudi2 C1, DataLavra2 D, NomeCarto2 C80, CnpjCarto2 C14, MuniCarto2 C30, "
                 "Livrcarto2 N7.0, FolhCarto2 N7.0, Morte2 C1, InvConj C1, Meeiro C1",
                 range("I13_", 1, 51, "N15.2"),
                 "IR_EXTER N15.2, QTD_QUOTA N1.0, BASE14754 N15.2, CARNEINSS N15.2, "
                 "CARNEDEPEN N15.2, PREVIDENC N15.2, TIPO_PF C1",
                 each("totTrabT totAlugT TotOutrT totTrabD totAlugD TotOutrD EMPRUR AMORUR OUTREC "
                      "VALFUTUR OUTRDES PREJVEN PREJVEN1 PREJRUR PREJRVA LUCRRVA DESPNAO EMPREST "
                      "DESPDECLA DESPADRAO",
                      "N15.2"),
                 "INDALERTA N2.0", each("IMPOANTER CUSTOANT CUSTOANO ENTRADGP ISENTNAO", "N15.2"),
                 "CAL_AUTO N1.0, SO_REC L, NOVREG L"});
}

std::string table02() {
    std::string months;
    for (int m = 1; m <= 12; ++m)
        months += (m > 1 ? ", " : "") +
                  each("I1_4" + two(m) + " I1_5" + two(m) + " I1_6" + two(m), "N15.2");
    return join({"CPF C11, I1_1 C1, I1_2 C60, I1_3 C18", plain_range("I1_", 4, 7, "N15.2"),
                 "I1_8 C11, TIPOCR C1, DT_LC D, I1_9 N15.2, I1_10 N15.2, I1_11 C1",
                 plain_range("I1_", 12, 20, "N15.2"), "I1_21 N5.1, I1_22 C11",
                 plain_range("I1_", 23, 34, "N15.2"), "I1_35 C50, I1_36 C2",
                 plain_range("I1_", 37, 39, "N15.2"), "I1_40 C11, I1_41 C1",
                 plain_range("I1_", 42, 45, "N15.2"), "NEW1 L, REFBEM N4.0", months});
}

const char* kTable03 =
    "CPF C11, NOMEDEPEN C60, CODIDEPEN N3.0, DATADEPEN D, CPFDEPEN C11, NRODEPEN N2.0, "
    "CPFHERDE C18, NITDEPEN C11, SAIUJUNT C1, PERCENT N6.2, MORAJUNT C1, TIT_DEPE C1, "
    "TEL_DEPEN C11, EMAIL_DEPE C40, CPFRESPON C11, NROBEND C11, SENGOVD C40, ESCRPAL C1, "
    "DTLAVAL D, FOLHAAL C7, LIVROAL C6, CODMUAL C4, MUNICAL C30, UFCARAL C2, CARTOAL C50, "
    "CARCNPJ C14, DEJUDAL C1, DTDJUAL D, NROPRAL C25, NROVAAL C4, UFJUDAL C2, COMARAL C30, NEW L";

const char* kTable04 =
    "CPF C11, I7_0 N4.0, I7_1 N3.0, I7_2 C512, I7_3 N15.2, I7_4 N15.2, I7_5 N3.0, I7_6 N4.0, "
    "I7_7 C1, I7_8 C3, I7_9 N15.2, I7_10 C1, ENDEIMO C30, NUMIMO C6, COMPIMO C30, BAIRIMO C30, "
    "CEPIMO C8, MUNICIMO C30, UFIMO C2, CODMIMO C4, MATRICU C40, LIVRORG C40, CARTORIO C40, "
    "AREAIMO N9.1, UNIDADE C1, REGISTRO C1, CPF_CNPJ C18, DATA_IMO D, RENAVAM C11, REG_NIRF C8, "
    "REG_IPTU C20, REG_AVI C30, REG_BAR C30, AGENCBAN C4, CONTABAN C13, DVBAN C2, JA_FEZ C1, "
    "CPFDEP C11, NROBANCO C3, PERCENT N6.2, GRPO C2, CODB C2, FLAG2 L, BOLSA C1, CODNEGO C13, "
    "CODALTC C25, CODSTAB C25, ART_14 C1, ART_11 C1, AUTOCUSTO C1, VAL_APLIC N15.2, "
    "VAL_IRFOR N15.2, VAL_LUCRO N15.2, VAL_IRBR N15.2, VAL_BASE N15.2";

const char* kTable05 =
    "CPF C11, I8_0 N4.0, I8_1 N3.0, I8_2 C512, I8_3 N15.2, I8_4 N15.2, I8_5 N3.0, I8_6 N15.2, "
    "I8_7 N15.2";

std::string table06() {
    return join(
        {"CPF C11, I6_1 C50, I6_2 C18, I6_3 N2.0, I6_4 N15.2, I6_5 N15.2, I6_6 N2.0, "
         "I6_8 N15.2, I6_9 C250, I6_11 C3",
         range("I6_4", 1, 12, "N14.2")});
}

std::string table07() {
    std::string months;
    for (int m = 1; m <= 12; ++m) {
        std::string mm = two(m);
        months +=
            (m > 1 ? ", " : "") +
            join({"REC_MES" + mm + " N15.2", "VAL_TRI" + mm + " N15.2", "DIA_REC" + mm + " N2.0",
                  "IMP_DEV" + mm + " N15.2", "IMP_PAG" + mm + " N15.2", "IMP_LEI" + mm + " N15.2",
                  "REC_USA" + mm + " N15.2", "VAL_USA" + mm + " N10.4", "VAL_COR" + mm + " N15.2",
                  "VAL_A31" + mm + " N15.2"});
    }
    return join(
        {"CPF C11, CPFALIEN C11, BEM_NRO N2.0, RVAR_NRO N2.0, DAY_TRADE C1, TIPO_BEM N1.0, "
         "NRO_ITEM N3.0, CPF_DEPE C11, CPFADQ C18, MAISDE1 C1, CPFNOME C250, PER_TRI N10.6, "
         "NOME_ADQ C53, ESPC_BEM C100, RUAIMO C11, ENDEIMO C30, NUMIMO C6, COMPIMO C21, BAIRIMO "
         "C20, "
         "CEPIMO C8, MUNICIMO C30, UFIMO C2, CODIMO C4, DATA_ALI D, DATA_ADQ D, NOME_SOCIE C32, "
         "CGC_SOCIE C14, CID_SOCIE C30, EST_SOCIE C2, IND_ALI N11.4",
         each("VAL_ALI CUS_ATUAL VAL_CORR VAL_RECOL VAL_RECUS VAL_TRIBU VAL_NAOTRI VAL_IMPOSV "
              "VAL_IMPOSP IMPPAGO",
              "N15.2"),
         "VEN_PRAZO C1, PEQ_VALOR C1, UNIC_IMOV C1, USU_440 C1, CODNATUR N2.0, NATUOPER C30, "
         "COD_OPER N1.0, PARCOMPRA C1, VENDAANT C1, USA_ART31 C1, VAL_PARTE N15.2, LEI_11083 "
         "N15.2, "
         "IMP_PAGEX N15.2, PERART31 N10.6, TIPOPART N1.0, FR1 N18.8, FR2 N18.8",
         each("REDUCAO FATOR1 FATOR2 GAN_TRIV GAN_TRIP VAL_ANTE VAL_DIFE IMP_ANTE IMP_DIFE",
              "N15.2"),
         "FOIDIFE C1, SUJREG C1, NEW L, REFIRPF C3, DATA_PAR D, PERIMP N10.6, CAUSA C1, "
         "GANHOAN N15.2, OUTRAVEN C1, VALALIUS N15.2, DOLARAQU N10.4, DOLARVEN N10.4",
         each("AQUI_US AQUI_BR ALIE_US ALIE_BR GCAP_US GCAP_BR", "N15.2"),
         "CODEXTE C3, BEMBRASIL C1, CORR_ANTE N15.2, APLI_ANTE N15.2, CM_PONDER N15.6, "
         "MOV_ACAO N9.0, MAISUM C1, IMO_RESI C1",
         months});
}

const char* kTable08 =
    "CPF C11, BEM_NRO N2.0, RVAR_NRO N2.0, DAY_TRADE C1, VALOR_REDU N15.2, VALOR_CUST N15.2, "
    "DATA_CUST D, IND_CUST N10.4, PER_RED N3.0, PER_RED1 N11.8, PER_RED2 N11.8, PER_CUST N12.6, "
    "RESUL_2 N15.2, RESUL_3 N15.2, SALDO_COEF N14.4, CM_PONDER N15.6, SALDO_ACAO N9.0, "
    "MOV_ACAO N9.0, CUST_UNI N15.2, CMED_COEF N18.4, TIPO_OPER N1.0, TIPO_ACAO N1.0, LOTE C17";

std::string table09() {
    return join(
        {"CPF C11, RETIFICA C1, NOMECONTR C53, TIPOEND C11, ENDERECO C37, NUMERO C6, COMPLEM C21, "
         "BAIRRO C20, CEP C9, CODMUNI C4, MUNICIPIO C30, UF C2, CODPAIS C3, CODEMB C3, DDDTEL C2, "
         "TELEFO C9, DDDFAX C2, NROFAX C9, EMAIL C90, NASCIMENTO D, TITULO C13, CGCPAGADOR C18, "
         "OCUPACAO C69, CDPRO C3, CODAT C2, DESCRAT C58, NRORECIBO C12, RECIBOATU C12, "
         "RECIBOANT C12, CODACESSO C12, SENACESSO C15, VALIDSENA D, DENTREGA D, EMPRESA C40, "
         "NRETIF N3.0, TEMRURAL C1, ATV_BRASIL C1, AAR_EXTER C1, E_INVALIDO C1, VOLTA_RES C1, "
         "DATARETOR D, REGPROF C17, NIT_TIT C11, PROCBRASIL C11, EBRASIL C1, EXTERIOR C1, "
         "TEMCONJU C1, CPFCONJU C11, TIPOREL N1.0, NOVOEND C1, TEM_USO N6.0, TAM_USO N6.0, "
         "IMPRE C1, ESTATUS N2.0, ORDEM N2.0, SOMAG C1, I9_2 N15.2, I9_3 N15.2, I9_4 C1, I9_5 C1, "
         "I9_6 C1, DIRCONJU C80, VALOREC N15.2, BANCO C3, AGENCIA C4, CONTACO C15, DEBITAUT C1, "
         "TIPOCONTA N1.0, SALDO N15.2, INDGAS N6.2, USAPADRAO C1, CONJPAD C1, IMPPGRE N15.2",
         each("I13_20 I13_24 I13_27 I13_28 I13_35 I13_44 I13_45 EXGSUSP", "N15.2"),
         "QTD_QUOTA N1.0", each("I13_1C I13_2C I13_3C I13_4C I13_5C", "N15.2"),
         "NUSUAT C2, SO_SIMPLES C1, NOVO C1, TELCELU C9, TELESCR C9, TELSECR C9, ULTRESI D, "
         "ULTIMOV D, NROBEN1 C11, NROBEN2 C11, SENGOV C40, PROCOK C1, NRQUOTA N1.0, DFQUOTA N15.2, "
         "NRCLEAO N2.0, DFCLEAO N15.2, NRGCAPIT N2.0, DFGCAPIT N15.2, NRRVARIV N2.0, DFRVARIV "
         "N15.2",
         each("TRIB_EX NTRIB_EX PREJU_EX DIVAD_EX DIVPG_EX TRIB_BR NTRIB_BR PREJU_BR DIVAD_BR "
              "DIVPG_BR",
              "N15.2"),
         "NOMEAG C22, DATAFIM D, HORAFIM C8, Lei14754 N15.2, DOCRECIB N1.0, RACA N1.0"});
}

std::string table12() {
    std::string s = "CPF C11, CPFdepen C11";
    for (int m = 1; m <= 13; ++m)
        for (int k = 1; k <= 7; ++k) s += ", I2_" + std::to_string(k) + two(m) + " N15.2";
    return s;
}

std::string table15() {
    std::string s = "CPF C11, ATV_BRASIL C1";
    for (int m = 1; m <= 12; ++m) s += ", I3_" + two(m) + "OR N15.2, I3_" + two(m) + "OD N15.2";
    s += ", " + range("I4R_", 1, 7, "N15.2");
    s += ", I5_08 N15.2, I5_09 N15.2, I5_10 N15.2, I6_10 N15.2, OPT_20 C1, OPT_20E C1";
    for (int k = 1; k <= 5; ++k) {
        std::string n = "I7_" + std::to_string(k);
        s += ", " + each(n + "A " + n + "B " + n + "C " + n + "S " + n + "V1", "N6.0");
    }
    s += ", I7_V1 C22, SO_TOTAL L, TIPO_LANCA N1.0, NOME_CONT C50, CPFCNPJ_CO C18, CRC_CONT C15, "
         "EMAIL_CONT C80, FONE_CONT C11";
    return s;
}

const char* kTable16 =
    "CPF C11, ATV_BRASIL C1, I2R_00 N3.0, I2R_01 C60, I2R_02 N9.2, I2R_03 C8, I2R_04 N6.2, "
    "I2R_05 N1.0, I2R_06 C55, I2R_07 N2.0, VALITR N15.2, CODPAIS C3, RECEXT N15.2, DESEXT N15.2, "
    "VALUSE N7.2, RESUS N15.2, OPC20US N15.2, OPC20RS N15.2, CAEPF C14, INSCR_ES C14, NUM_IMR C6, "
    "COMP_IMR C50, DISTR_IMR C30, UF_IMR C2, CODM_IMR C7, CEP_IMR N8.0, TIPO_CONTR N1.0, "
    "CPF_CONTR C11, NOME_CONTR C50, PERC_CONTR N6.2, CPFPJ_CONT C18, CPF_NOME C200";

const char* kTable20 =
    "CPF C11, REFEREN N4.0, NOMEDEPEN C41, NRODEPEN N2.0, CPFHERDE C18, PERCENT N6.2, "
    "VALORBEM N15.2, DESCRBEM C512, CODIGBEM N3.0, I7_7 C1, I7_8 C3, VALPARCE N15.2, DATPARCE D, "
    "PARCELAN L, ENDEIMO C30, NUMIMO C6, COMPIMO C30, BAIRIMO C30, CEPIMO C8, MUNICIMO C30, "
    "UFIMO C2, CODMIMO C4, MATRICU C40, LIVRORG C40, CARTORIO C40, AREAIMO N9.1, UNIDADE C1, "
    "REGISTRO C1, CPF_CNPJ C18, DATA_IMO D, RENAVAM C11, REG_NIRF C8, REG_IPTU C20, REG_AVI C30, "
    "REG_BAR C30, NROBANCO C3, GRPO C2, CODB C2";

const char* kConfig =
    "NRO_TERM C2, ROTAANTER C80, ROTADOANO C80, ROTAREANT C80, ROTARECEI C80, ROTAJAVA C80, "
    "ROTABACK C80, dirtrab C80, DIRPROV C80, DIRINST C80, queimp N2.0, quemod N1.0, quepag N2.0, "
    "quecon N1.0, ENV_STAT N1.0, MARESQ N2.0, INIFOL N2.0, LINETI N2.0, NRO_LIN N2.0, "
    "OPC_TRAN N2.0, compaga N1.0, ImpBem C1, ImpBal C1, mosimp C1, mostel C1, mosCPF C1, "
    "ult_ter N1.0, ult_mod N1.0, ult_cpf C11, XDRIVE C1, SOESTE N2.0, OPTTRAN N1.0, NOVOIT N2.0, "
    "ULTBACK D, OPCIRPF C1, NOMEAG C22, OPCFIM N1.0, BACKAUTO C1";

const char* kDefine =
    "VCTO1 D, VCTO2 D, VCTO3 D, VCTO4 D, VCTO5 D, VCTO6 D, VCTO7 D, VCTO8 D, VAL_SEG N5.2, "
    "VAL_BYTE N5.2, VAL_MIN N8.2, COMO_SAL N1.0, TEMP_SAL N2.0, TEMP_DES N2.0, VAL_CPMF N8.4, "
    "VAL_DOLAR N8.4, BOL_BANCO C4, BOL_AGENCI C4, BOL_CONTA C6, BOL_NOME C30, BOL_CNPJ C14, "
    "BOL_CPF C11, BOL_CARTEI C3, BOL_NOSNRO N8.0, SER_SMTP C47, NOM_USUA C40, EMA_USUA C40, "
    "SEN_USUA C19, MEMORIZ C1, VER_ATUAL C1, PROCESSA C1, PROGCOMP C1, STATRAVA N2.0, GERENTE C50, "
    "CCT2 C50, DDDCONT C2, TELCONT C9, DDDZAP C2, ZAPCONT C9, EMAILNUV C80, CONTANUV C80, "
    "CNPJNUV C14, CPFNUV C11, IDUSER N8.0, PROCUR N1.0";

const char* kCores =
    "NRO_TERM C2, COR_TEL1 N3.0, COR_TEL2 N3.0, COR_TEL3 N3.0, COR_MENS N3.0, COR_PEGA N3.0, "
    "COR_HELP N3.0, COR_FERID N3.0, COR_ESCOL N3.0, COR_ENCHE N3.0, COR_1_CLI C10, COR_2_CLI C10, "
    "COR_INI C10, COR_SAY C10, COR_GET C10, COR_CLI_HE C10, COR_ESC_CL C10, COR_ENCH_C C10";

const char* kFolhapg =
    "CPF C11, NOMECONTR C47, NOMEFONTE C40, CNPJFONTE C18, RENDIMENT N15.2, PREVOFICA N15.2, "
    "PREVPRIVA N15.2, PENSAOPAG N15.2, IRRETIDO N15.2, ISENTOAPO N15.2, DIARIAS N15.2, "
    "PENSAOREC N15.2, LUCRODIV N15.2, SOCIO N15.2, IDENIZA N15.2, DECIMO3RO N15.2, COMPLENTA C40, "
    "OUTROS C40, OUTROSEXC C40, VALOUTRO N15.2, VALOUTRE N15.2, IRRF13 N15.2, VALRENRRA N15.2, "
    "VALACAO N15.2, VALPRERRA N15.2, VALPENRRA N15.2, VALIRFRRA N15.2, VALMOLRRA N15.2, "
    "QTDMES N5.1";

const char* kDecbens =
    "CPF C11, I7_1 C3, I7_2 C512, I7_3 C14, I7_4 C14, I7_5 C3, GRPO C2, CODB C2, ENDEIMO C30, "
    "NUMIMO C6, COMPIMO C30, BAIRIMO C30, CEPIMO C8, MUNICIMO C30, UFIMO C2, I7_8 C3, "
    "REG_IPTU C20, REG_NIRF C8, DATA_IMO C10, AREAIMO C10, UNIDADE C1, REGISTRO C1, MATRICU C40, "
    "LIVRORG C40, CARTORIO C40, REG_AVI C30, RENAVAM C11, REG_BAR C30, AGENCBAN C4, CONTABAN C13, "
    "DVBAN C2, CPF_CNPJ C18";

const char* kUltanos =
    "CPF C11, ANOBASE C4, NOMECONTR C53, COMPLETA C1, RESULTAD N1.0, TOTIMPOS N15.2, "
    "TOTRTRIB N15.2, TOTRISEN N15.2, TOTRTRIE N15.2, TOTPAGTO N15.2, BASECALC N15.2, "
    "ABATIMEN N15.2, ALIQEFET N5.2, BENSANA N15.2, BENSBASE N15.2, DIVANA N15.2, DIVBASE N15.2, "
    "VALIRPF N15.2";

struct Spec {
    int number;
    const char* name;
    Folder folder;
    OpenMode mode;
    std::string fields;  // empty for a reference table without a registered layout
    // Each index as "key|file"; a file of "" means the table's own base name.
    std::vector<std::pair<std::string, std::string>> indexes;
    bool reference = false;
    bool per_terminal = false;
};

std::vector<TableDef> build() {
    const auto S = OpenMode::kShared, X = OpenMode::kExclusive, R = OpenMode::kAsRequested;
    const auto I = Folder::kInstall;
    std::vector<Spec> specs;
    auto data = [&](int n, std::string fields,
                    std::vector<std::pair<std::string, std::string>> idx) {
        specs.push_back({n, "", Folder::kData, R, std::move(fields), std::move(idx)});
    };
    const std::vector<std::pair<std::string, std::string>> byCpf = {{"CPF", ""}};
    const std::vector<std::pair<std::string, std::string>> byAtv = {{"CPF+ATV_BRASIL", ""}};
    data(1, table01(), byCpf);
    data(2, table02(), byCpf);
    data(3, kTable03, byCpf);
    data(4, kTable04, {{"CPF+str(I7_0,4)", ""}});
    data(5, kTable05, {{"CPF+STR(I8_0,4)", ""}});
    data(6, table06(), {{"CPF+str(I6_3,2)", ""}});
    data(7, table07(), byCpf);
    data(8, kTable08, byCpf);
    data(9, table09(), {{"CPF", ""}, {"UPPER(NOMECONTR)", "B"}, {"ESTATUS", "C"}});
    data(10, "CPF C11, CODDESP N3.0, DESCDESP C25, VALODESP N15.2, DESCRITEM C25", byCpf);
    data(11,
         "CPF C11, OBSERV C75, CODERR N2.0, PAGINA N2.0, NOTAS C75, IMPRE C1, REGIS N3.0, "
         "OPCIR N3.0, COLUN N2.0",
         byCpf);
    data(12, table12(), byCpf);
    data(13,
         "CPF C11, CDCONTA C4, DESCONTA C60, VALODESP N13.2, NROITEM N3.0, NROCGCCPF C18, "
         "LANCADO L, MESINI N2.0, MESFIM N2.0, CPFDEPEN C11, DESCRI C50",
         byCpf);
    data(14, "CPF C11, DESCRICAO C40, PREJUIZO N15.2", byCpf);
    data(15, table15(), byAtv);
    data(16, kTable16, byAtv);
    data(17,
         "CPF C11, ATV_BRASIL C1, ITEM N4.0, CODIGO N3.0, I8R_0 N5.0, I8R_1 C512, I8R_2 N15.2, "
         "I8R_3 C3, I8R_4 N1.0, I8R_5 N15.2",
         byAtv);
    data(18,
         "CPF C11, ATV_BRASIL C1, I9R_0 N4.0, ITEM N3.0, I9R_1 C512, I9R_2 N15.2, I9R_3 N15.2, "
         "I9R_4 N15.2, I9R_5 N15.2",
         byAtv);
    data(19,
         "CPF C11, ATV_BRASIL C1, DT_LC D, DESCR C41, VALOR N14.2, NROIMO N2.0, TIPOCR C1, "
         "TEMITR C1, ID_PARTIC C18, TIPODOC N1.0, COD_CONTA N3.0, NUM_DOC C20",
         {{"CPF+ATV_BRASIL+DTOS(DT_LC)", ""}});
    data(20, kTable20, {{"CPF", ""}, {"CPF+CPFHERDE", "B"}});
    data(21,
         "CPF C11, ATV_BRASIL C1, COD_CONTA N3.0, NRO_BANCO C3, NOM_BANCO C30, NRO_AGENC N4.0, "
         "NRO_CONTA N16.0, PAIS_CTA C3",
         {{"CPF", ""}, {"NOM_BANCO", "=COD_CONTA"}});

    auto office = [&](int n, const char* name, OpenMode mode, std::string fields,
                      std::vector<std::pair<std::string, std::string>> idx,
                      bool per_terminal = false) {
        specs.push_back({n, name, I, mode, std::move(fields), std::move(idx), false, per_terminal});
    };
    office(42, "CONFIG", S, kConfig, {{"NRO_TERM", ""}});
    office(43, "DEFINE", S, kDefine, {});
    office(44, "IMPCORRIG", X,
           "CPF C11, NOMECONTR C53, NASCIMENTO D, IMPPGRE N15.2, QTD_QUOTA N1.0, IMPOSTO N15.2, "
           "RESTITU N15.2, CORRIGI N15.2",
           {{"CPF", ""}, {"UPPER(NOMECONTR)", "=IMPCORRIGB"}});
    office(50, "DIRET", X, "SELEC C1, DIRETOR C80", {{"upper(DIRETOR)", ""}}, true);
    office(52, "AUXBENS", S, "DESCRICAO C512, CODIGO N3.0", {{"upper(DESCRICAO)", ""}});
    office(53, "AUXPAG", S, "NOME C50, CGCCPF C18, CODIGO N2.0",
           {{"upper(NOME)", ""}, {"CGCCPF", "=AUXPAGB"}, {"CODIGO", "=AUXPAGC"}});
    office(54, "LisErro", S, "coderr N2.0, DESCRI C60, GRAU N1.0, PAGINA N2.0, POSICAO N1.0",
           {{"CODERR", ""}});
    office(56, "CORES", S, kCores, {{"NRO_TERM", ""}});
    office(57, "ListaIMP", S, "NRO_TERM C2, NOMEIMP C60, IPADRAO C60, SEQ0 C2, SEQ1 C2",
           {{"NRO_TERM", ""}});
    office(63, "FOLHAPG", R, kFolhapg, {{"CPF", ""}});
    office(66, "STATUS", R, "COD N2.0, DESCRICAO C13", {{"cod", ""}});
    office(67, "BOLETO", R,
           "NRODOCUM N5.0, NOSSONRO N8.0, DATADOC D, VALORDOC N15.2, NOMESAC C30, CPFSAC C11",
           {{"NOSSONRO", ""}});
    office(68, "DETALH", X, "DESCRICAO C40, VALORDOC N15.2, PERCDESP N9.2, PERCRECE N9.2", {},
           true);
    office(70, "LISNOME", X, "CPF C11, NOMECONTR C40, NOMEARQ C180, TIPO C12, ORIGEM C12, IMPRE C1",
           {{"NOMECONTR", ""}, {"CPF", "=LISNOMEB"}});
    office(72, "AGENDA", S, "NOMEAG C22, HORAG C5, ANOTAG C60, DATAG D, AVISAG L",
           {{"NOMEAG", ""}, {"HORAG+DTOC(DATAG)", "=AGENDAB"}, {"ANOTAG", "=AGENDAC"}});
    office(73, "USOLOG", S,
           "NOMEAG C22, CPF C11, NOMECONTR C53, DATAUSO D, INIUSO C8, FIMUSO C8, TEMUSO C8",
           {{"NOMEAG", ""}, {"CPF", "=USOLOGB"}});
    office(74, "AUXFON", R, "NOME C50, CGCCPF C18", {{"UPPER(NOME)", ""}, {"CGCCPF", "=AUXFONB"}});
    office(77, "AuxBanco", R, "NOME C30, CNPJ C18, I7_5 N3.0, AGENCBAN C4, CONTABAN C13, DVBAN C2",
           {{"CNPJ", ""}, {"NOME", "=AuxBancoB"}, {"CONTABAN", "=AuxBancoC"}});
    office(78, "DECBENS", X, kDecbens, {{"CPF", ""}});
    office(80, "ULTANOS", X, kUltanos, {{"CPF+ANOBASE", ""}});
    office(91, "ALTCOIN", X, "DESCRICAO C26", {{"DESCRICAO", ""}});
    office(92, "STBCOIN", X, "DESCRICAO C26", {{"DESCRICAO", ""}});

    auto ref = [&](int n, const char* name, std::vector<std::pair<std::string, std::string>> idx) {
        specs.push_back({n, name, I, S, std::string(reference_fields(n)), std::move(idx), true});
    };
    ref(45, "HELPTXT", {{"UPPER(NOME)", ""}});
    ref(46, "CODBENS", {{"GRUBEM", ""}});
    ref(47, "CODEPEN", {{"CODDEP", ""}});
    ref(48, "CODDIVI", {{"CODDIV", ""}});
    ref(49, "DESPESA", {{"CODDES", ""}});
    ref(51, "UFIRM", {{"ANOMES", ""}});
    ref(55, "BANCOS", {{"NUMBAN", ""}, {"upper(NOMEBAN)", "=BANCOSB"}, {"CNPJBAN", "=BANCOSC"}});
    ref(58, "OCUPACAO", {{"CDPRO", ""}, {"upper(OCUPACAO)", "=OCUPACAB"}});
    ref(59, "CODNATUR", {{"CODAT", ""}, {"UPPER(DESCRAT)", "=CODNATB"}});
    ref(60, "TABPAIS", {{"CODPAIS", ""}});
    ref(61, "TABEMBA", {{"CD_EX", ""}});
    ref(62, "CONTAS", {{"CDCONTA", ""}});
    ref(64, "TABMUNI", {});
    ref(65, "TABLOGR", {{"upper(nomelogra)", ""}});
    ref(69, "CODABENS", {{"CODBEM", ""}});
    ref(75, "IDOCIDAD", {});
    ref(76, "PRINTS", {});
    ref(94, "TAB_MUNI", {});

    std::vector<TableDef> out;
    for (auto& s : specs) {
        TableDef t;
        t.number = s.number;
        t.folder = s.folder;
        t.mode = s.mode;
        t.reference = s.reference;
        t.per_terminal = s.per_terminal;
        if (s.folder == Folder::kData) {
            t.name = "IMP" + two(s.number);
            t.per_year = true;
        } else {
            t.name = s.name;
        }
        if (!s.fields.empty()) t.layout = std::make_shared<const Layout>(parse_fields(s.fields));
        for (auto& [key, file] : s.indexes) t.indexes.push_back({key, file});
        if (s.number == 45) t.has_memo = true;
        if (s.number == 75) t.name_for_option44 = "ECACIDAD";
        out.push_back(std::move(t));
    }
    std::sort(out.begin(), out.end(),
              [](const TableDef& a, const TableDef& b) { return a.number < b.number; });
    return out;
}

std::mutex g_mutex;

std::vector<TableDef>& tables() {
    static std::vector<TableDef> t = build();
    return t;
}

}  // namespace

std::vector<FieldDef> parse_fields(std::string_view spec) {
    std::vector<FieldDef> out;
    size_t i = 0;
    auto fail = [&](const std::string& why) {
        throw std::invalid_argument("field list: " + why + " near '" +
                                    std::string(spec.substr(std::min(i, spec.size()), 30)) + "'");
    };
    while (i < spec.size()) {
        while (i < spec.size() && (spec[i] == ' ' || spec[i] == ',')) ++i;
        if (i >= spec.size()) break;
        size_t b = i;
        while (i < spec.size() && spec[i] != ' ') ++i;
        FieldDef f;
        f.name = std::string(spec.substr(b, i - b));
        if (f.name.empty() || f.name.size() > 10) fail("bad field name");
        while (i < spec.size() && spec[i] == ' ') ++i;
        if (i >= spec.size()) fail("missing type");
        char type = spec[i++];
        int width = 0, dec = 0;
        bool has_dec = false;
        while (i < spec.size() && spec[i] >= '0' && spec[i] <= '9')
            width = width * 10 + (spec[i++] - '0');
        if (i < spec.size() && spec[i] == '.') {
            ++i;
            has_dec = true;
            while (i < spec.size() && spec[i] >= '0' && spec[i] <= '9')
                dec = dec * 10 + (spec[i++] - '0');
        }
        switch (type) {
            case 'C':
                f.type = FieldType::kChar;
                if (width < 1 || width > 65535 || has_dec) fail("bad character width");
                break;
            case 'N':
                f.type = FieldType::kNumeric;
                if (width < 1 || width > 20 || dec > 15 || (dec > 0 && dec > width - 2))
                    fail("bad numeric size");
                break;
            case 'D':
                f.type = FieldType::kDate;
                width = 8;
                break;
            case 'L':
                f.type = FieldType::kLogical;
                width = 1;
                break;
            case 'M':
                f.type = FieldType::kMemo;
                width = 10;
                break;
            default:
                fail("unknown type");
        }
        f.width = width;
        f.decimals = dec;
        out.push_back(std::move(f));
        if (i < spec.size() && spec[i] != ',' && spec[i] != ' ') fail("expected ','");
    }
    return out;
}

std::string TableDef::file_base(std::string_view nusu) const {
    std::string base = name;
    if (per_year) base += CANOATUAL;
    if (per_terminal) base += nusu;
    return base;
}

std::vector<IndexDef> TableDef::index_files(std::string_view nusu) const {
    // Index file rules: "" is the table's own base name; "B"/"C" are appended to it;
    // "=NAME" names a file of its own.
    std::vector<IndexDef> out;
    std::string base = file_base(nusu);
    for (const auto& ix : indexes) {
        std::string file;
        if (ix.file.empty())
            file = base;
        else if (ix.file[0] == '=')
            file = ix.file.substr(1);
        else
            file = base + ix.file;
        out.push_back({ix.key, file});
    }
    return out;
}

const std::vector<TableDef>& all_tables() {
    return tables();
}

const TableDef* table_def(int number) {
    std::lock_guard lock(g_mutex);
    for (const auto& t : tables())
        if (t.number == number) return &t;
    return nullptr;
}

const TableDef* structure_for_area(int area) {
    if (area >= 22 && area <= 41) return table_def(area - 20);
    return table_def(area);
}

void register_reference_layout(int number, std::vector<FieldDef> fields) {
    std::lock_guard lock(g_mutex);
    for (auto& t : tables())
        if (t.number == number) {
            t.layout = std::make_shared<const Layout>(std::move(fields));
            return;
        }
    throw std::invalid_argument("no table " + std::to_string(number));
}

std::vector<Record> initial_rows(int number) {
    const TableDef* t = table_def(number);
    std::vector<Record> rows;
    if (!t || !t->layout) return rows;
    auto one = [&]() { return Record(t->layout); };
    if (number == 43) {
        // The due dates of the eight tax quotas, and the office defaults.
        static constexpr int kDue[8][2] = {{29, 5}, {30, 6},  {31, 7},  {31, 8},
                                           {30, 9}, {30, 10}, {30, 11}, {30, 12}};
        Record r = one();
        for (int i = 0; i < 8; ++i)
            r.set("VCTO" + std::to_string(i + 1), Date(2000 + 26, kDue[i][1], kDue[i][0]));
        r.set("VAL_SEG", Decimal::from("1.0"));
        r.set("VAL_BYTE", Decimal::from("1.5"));
        r.set("VAL_MIN", Decimal::from("200.0"));
        r.set("COMO_SAL", Decimal(2));
        r.set("TEMP_SAL", Decimal(15));
        r.set("TEMP_DES", Decimal(4));
        r.set("VAL_CPMF", Decimal(0));
        r.set("VAL_DOLAR", Decimal::from("5.2171"));
        r.set("PROCESSA", "N");
        r.set("PROGCOMP", "S");
        rows.push_back(std::move(r));
    } else if (number == 91 || number == 92) {
        static const char* kAlt[] = {"ETH - Ether",
                                     "XRP - Ripple",
                                     "BCH - Bitcoin Cash",
                                     "LTC - Litecoin",
                                     "BNB - Binance Coin",
                                     "SOL - Solana",
                                     "ADA - Cardano",
                                     "DOGE - Dogecoin",
                                     "LINK - Chainlink",
                                     "AVAX - Avalanche",
                                     "MATIC - Polygon",
                                     "DOT - Polkadot",
                                     "WBTC - Wrapped Bitcoin",
                                     "XLM - Stellar",
                                     "NUCOIN - Nubank Coin",
                                     "999 - Outras Altcoins"};
        static const char* kStb[] = {"USDT - Tether",
                                     "USDC - USD Coin",
                                     "BRZ - Brazilian Digital Token",
                                     "BUSD - Binance USD",
                                     "DAI - DAI",
                                     "TUSD - True USD",
                                     "GUSD - Gemini USD",
                                     "USDP - Paxos USD",
                                     "PAXG - Paxos Gold",
                                     "BTG DOL - BTG Pactual USD",
                                     "999 - Outras Stablecoins"};
        if (number == 91)
            for (const char* d : kAlt) rows.push_back(one()), rows.back().set("DESCRICAO", d);
        else
            for (const char* d : kStb) rows.push_back(one()), rows.back().set("DESCRICAO", d);
    }
    return rows;
}

}  // namespace vorn::store
